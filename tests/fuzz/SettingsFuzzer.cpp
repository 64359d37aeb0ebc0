#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/Conversions.h"
#include "foundation/PropertyList.h"

namespace {

volatile double sink;

void convert(const id& value, int depth) {
    sink = ns::boolValue(value);
    sink = ns::intValue(value);
    sink = ns::floatValue(value);
    sink = ns::doubleValue(value);
    if (depth > 64) return;
    if (auto array = rt::cast<NSArray>(value))
        for (const auto& item : array->items) convert(item, depth + 1);
    if (auto dict = rt::cast<NSDictionary>(value))
        for (const auto& [key, item] : dict->entries) {
            sink = ns::stringIntValue(key);
            sink = ns::stringFloatValue(key);
            sink = ns::stringBoolValue(key);
            convert(item, depth + 1);
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    sink = ns::stringDoubleValue(bytes);
    sink = ns::stringIntValue(bytes);
    sink = ns::stringBoolValue(bytes);
    id dict = ns::dictionaryFromData(bytes);
    convert(dict, 0);
    // What was read must write and read back without harm.
    if (dict) convert(ns::dictionaryFromData(ns::binaryData(dict)), 0);
    return 0;
}
