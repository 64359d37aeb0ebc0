// Ranges of text. Locations and lengths count UTF-16 code units, as on the
// device, so a character outside the basic plane counts two.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/Class.h"

struct NSRange {
    unsigned long location = 0;
    unsigned long length = 0;
    friend bool operator==(const NSRange&, const NSRange&) = default;
};
inline constexpr unsigned long NSNotFound = static_cast<unsigned long>(-1) >> 1;
inline NSRange NSMakeRange(unsigned long loc, unsigned long len) { return {loc, len}; }
inline unsigned long NSMaxRange(NSRange r) { return r.location + r.length; }

template <> struct rt::Encoding<NSRange> { static constexpr const char* value = "{_NSRange=QQ}"; };

namespace ui {
// Length of UTF-8 text in UTF-16 code units (invalid bytes count one each).
unsigned long utf16Length(std::string_view utf8);
// Byte offset in the UTF-8 text of a UTF-16 offset (clamped to the end).
std::size_t utf8Offset(std::string_view utf8, unsigned long utf16Offset);
// The UTF-16 range of the first occurrence of `needle`, or {NSNotFound, 0}.
NSRange rangeOfString(std::string_view text, std::string_view needle);
}  // namespace ui
