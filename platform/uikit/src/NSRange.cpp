#include "uikit/NSRange.h"

namespace ui {

namespace {
// Length in bytes of the UTF-8 sequence starting with `lead` (1 for a stray byte),
// and the UTF-16 units it stands for.
struct Seq {
    std::size_t bytes;
    unsigned long units;
};
Seq sequenceAt(std::string_view s, std::size_t i) {
    auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
    if (i + n > s.size()) return {1, 1};
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return {1, 1};
    return {n, n == 4 ? 2ul : 1ul};
}
}  // namespace

unsigned long utf16Length(std::string_view utf8) {
    unsigned long units = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        Seq q = sequenceAt(utf8, i);
        i += q.bytes;
        units += q.units;
    }
    return units;
}

std::size_t utf8Offset(std::string_view utf8, unsigned long utf16Offset) {
    unsigned long units = 0;
    std::size_t i = 0;
    while (i < utf8.size() && units < utf16Offset) {
        Seq q = sequenceAt(utf8, i);
        i += q.bytes;
        units += q.units;
    }
    return i;
}

NSRange rangeOfString(std::string_view text, std::string_view needle) {
    if (needle.empty()) return {NSNotFound, 0};
    std::size_t at = text.find(needle);
    if (at == std::string_view::npos) return {NSNotFound, 0};
    return {utf16Length(text.substr(0, at)), utf16Length(needle)};
}

}  // namespace ui
