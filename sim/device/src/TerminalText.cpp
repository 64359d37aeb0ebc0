#include "device/TerminalText.h"

#include <cstdio>

namespace sim {

namespace {

void escapeByte(std::string& out, unsigned char byte) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02x", byte);
    out += hex;
}

// The length of the UTF-8 sequence that begins `text`: 0 when it is not one,
// -1 when it may yet be completed by what follows.
int sequenceLength(std::string_view text) {
    auto b = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char first = b(0);
    int length = first >= 0xc2 && first <= 0xdf ? 2 : first >= 0xe0 && first <= 0xef ? 3 : first >= 0xf0 && first <= 0xf4 ? 4 : 0;
    if (length == 0) return 0;
    for (int i = 1; i < length; ++i) {
        if (static_cast<std::size_t>(i) >= text.size()) return -1;
        unsigned char c = b(static_cast<std::size_t>(i));
        if ((c & 0xc0) != 0x80) return 0;
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if (i == 1 && ((first == 0xe0 && c < 0xa0) || (first == 0xed && c > 0x9f) || (first == 0xf0 && c < 0x90) ||
                       (first == 0xf4 && c > 0x8f)))
            return 0;
    }
    return length;
}

// Escapes `text` onto `out`; answers how many bytes at its end were left for
// a later piece (only when `more` may follow).
std::size_t escape(std::string_view text, Lines lines, bool more, std::string& out) {
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            bool kept = (c >= 0x20 && c != 0x7f) || c == '\t' || (c == '\n' && lines == Lines::Many);
            if (kept)
                out += static_cast<char>(c);
            else
                escapeByte(out, c);
            ++i;
            continue;
        }
        int length = sequenceLength(text.substr(i));
        if (length < 0 && more) return text.size() - i;
        if (length <= 0) {
            escapeByte(out, c);
            ++i;
            continue;
        }
        // U+0080 to U+009F: the C1 controls, CSI among them.
        bool control = c == 0xc2 && static_cast<unsigned char>(text[i + 1]) <= 0x9f;
        for (int k = 0; k < length; ++k) {
            if (control)
                escapeByte(out, static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]));
            else
                out += text[i + static_cast<std::size_t>(k)];
        }
        i += static_cast<std::size_t>(length);
    }
    return 0;
}

}  // namespace

std::string terminalSafe(std::string_view text, Lines lines) {
    std::string out;
    out.reserve(text.size());
    escape(text, lines, false, out);
    return out;
}

std::string TerminalStream::operator()(std::string_view piece) {
    std::string text = carried_;
    text.append(piece);
    std::string out;
    std::size_t left = escape(text, Lines::Many, true, out);
    carried_ = text.substr(text.size() - left);
    return out;
}

std::string TerminalStream::end() {
    std::string out;
    escape(carried_, Lines::Many, false, out);
    carried_.clear();
    return out;
}

}  // namespace sim
