// What a property list may be before the library parses it: a size, a depth
// of nesting, and what its parse builds (values and bytes, an object shared
// by many references counted for each), checked in one pass over the bytes, so
// that a hostile file (200,000 nested arrays, a list that holds itself) is
// refused in time proportional to its size instead of crashing or pinning
// the reader. Not for other layers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ns::detail {

struct PlistLimits {
    std::size_t bytes = 32 * 1024 * 1024;
    int depth = 128;
    std::size_t values = 2'000'000;  // built: an object met through n references counts n times
    std::uint64_t builtBytes = 96 * 1024 * 1024;  // the text and data built, and 16 a value
};

// Why the bytes are refused, or nothing when they may be parsed.
std::optional<std::string> refusedShape(std::string_view data, const PlistLimits& limits = {});

}  // namespace ns::detail
