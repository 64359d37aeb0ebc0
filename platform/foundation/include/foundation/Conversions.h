// The device's value conversions of strings and numbers (boolValue, intValue,
// floatValue, doubleValue). Numbers as text never follow the C library's locale.
#pragma once

#include <string>
#include <optional>
#include <string_view>

#include "foundation/Objects.h"

namespace ns {

bool stringBoolValue(std::string_view s);
int stringIntValue(std::string_view s);
float stringFloatValue(std::string_view s);
double stringDoubleValue(std::string_view s);

// Of a string or number object; NO / 0 for nothing and for any other object.
bool boolValue(const id& object);
// An integer number keeps its low 32 bits; a real is truncated toward zero and
// saturates; a string is read from its start as stringIntValue reads it.
int intValue(const id& object);
float floatValue(const id& object);
double doubleValue(const id& object);

// printf "%f" of a double, always with a decimal point.
std::string formatF(double value);

// A whole text that is a finite number ("12", "-0.5", "1e3"), read with a
// decimal point whatever the C library's locale; nothing for anything else.
// For numbers people type (the tool's arguments, control commands), not the
// device's own lenient conversions above.
std::optional<double> parseFiniteNumber(std::string_view text);

// The characters (code points) of UTF-8 text; nothing when it is not UTF-8
// (a stray, overlong or cut-short sequence, a surrogate, past U+10FFFF).
std::optional<std::size_t> utf8Characters(std::string_view text);

}  // namespace ns
