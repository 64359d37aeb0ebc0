#include "device/LogLine.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "foundation/Conversions.h"

namespace sim {

namespace {

// The bytes as UTF-8: each byte that starts no valid character becomes U+FFFD.
std::string validUtf8(std::string_view text) {
    if (ns::utf8Characters(text)) return std::string(text);
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t n = 1;
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0xC0) n = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (i + n <= text.size() && ns::utf8Characters(text.substr(i, n)) == 1) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

// At most `bytes`, cut before a character that would not fit whole.
std::string bounded(std::string text, std::size_t bytes) {
    if (text.size() <= bytes) return text;
    std::size_t cut = bytes;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
    return text + "…";
}

bool mentions(std::string_view text, std::string_view word) {
    auto it = std::search(text.begin(), text.end(), word.begin(), word.end(),
                          [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
    return it != text.end();
}

}  // namespace

wire::PageLogLine parseLogLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    wire::PageLogLine out;
    // "STAMP PROGRAM[PID]: TEXT"; a line of another shape is all text.
    std::string_view rest = line;
    if (auto space = rest.find(' '); space != std::string_view::npos && space <= 40 && space > 0 &&
                                     std::isdigit(static_cast<unsigned char>(rest[0]))) {
        out.set_time(validUtf8(rest.substr(0, space)));
        rest.remove_prefix(space + 1);
    }
    auto open = rest.find('['), close = rest.find("]: ");
    if (open != std::string_view::npos && close != std::string_view::npos && open > 0 && open < close && close <= 80 &&
        rest.substr(0, open).find(' ') == std::string_view::npos) {
        std::string_view pid = rest.substr(open + 1, close - open - 1);
        if (!pid.empty() && pid.size() <= 9 && std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            out.set_program(validUtf8(rest.substr(0, open)));
            out.set_pid(std::stoi(std::string(pid)));
            rest.remove_prefix(close + 3);
        }
    }
    out.set_text(bounded(validUtf8(rest), kLongestLogText));
    static constexpr std::array<std::string_view, 9> kFailures = {"fail",    "cannot", "threw", "crash", "error",
                                                                  "refused", "safe mode", "abort", "killed"};
    bool failed = std::any_of(kFailures.begin(), kFailures.end(), [&](std::string_view w) { return mentions(rest, w); });
    if (failed) out.set_kind(wire::PageLogLine::FAILURE);
    else if (rest.rfind("Loader:", 0) == 0) out.set_kind(wire::PageLogLine::LOADER);
    return out;
}

}  // namespace sim
