#include "foundation/Conversions.h"

#include <cstdint>

#include <charconv>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace ns {

namespace {

// Length of the whitespace character at s[i] in the device's sense (every code
// unit below 0x21, 0x7F to 0xA0, U+2000 to U+200B, U+3000), or 0.
std::size_t whitespaceAt(std::string_view s, std::size_t i) {
    auto byte = [&](std::size_t k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0u; };
    unsigned b0 = byte(i);
    if (i >= s.size()) return 0;
    if (b0 < 0x21 || b0 == 0x7F) return 1;
    if (b0 == 0xC2 && byte(i + 1) >= 0x80 && byte(i + 1) <= 0xA0) return 2;
    if (b0 == 0xE2 && byte(i + 1) == 0x80 && byte(i + 2) >= 0x80 && byte(i + 2) <= 0x8B) return 3;
    if (b0 == 0xE3 && byte(i + 1) == 0x80 && byte(i + 2) == 0x80) return 3;
    return 0;
}

std::size_t skipWhitespace(std::string_view s, std::size_t i) {
    while (std::size_t n = whitespaceAt(s, i)) i += n;
    return i;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

locale_t cLocale() {
    static locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    return c;
}

template <class Int>
Int saturate(double v) {
    if (std::isnan(v)) return 0;
    if (v >= static_cast<double>(std::numeric_limits<Int>::max())) return std::numeric_limits<Int>::max();
    if (v <= static_cast<double>(std::numeric_limits<Int>::min())) return std::numeric_limits<Int>::min();
    return static_cast<Int>(v);  // truncates toward zero
}

// An integer number beyond 32 bits keeps its low 32 bits, as the device's C
// conversion does (two's complement).
int lowBits(std::int64_t v) { return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v))); }

}  // namespace

bool stringBoolValue(std::string_view s) {
    std::size_t i = skipWhitespace(s, 0);
    if (i >= s.size()) return false;
    char c = s[i];
    if (c == 'Y' || c == 'y' || c == 'T' || c == 't') return true;
    if (c == '+' || c == '-') ++i;
    while (i < s.size() && s[i] == '0') ++i;
    return i < s.size() && s[i] >= '1' && s[i] <= '9';
}

int stringIntValue(std::string_view s) {
    std::size_t i = skipWhitespace(s, 0);
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        i = skipWhitespace(s, i + 1);
    }
    // Accumulate as a negative number so INT_MIN itself fits.
    constexpr long long limit = -static_cast<long long>(std::numeric_limits<int>::min());
    long long magnitude = 0;
    for (; i < s.size() && isDigit(s[i]); ++i) {
        magnitude = magnitude * 10 + (s[i] - '0');
        if (magnitude > limit) {
            magnitude = limit + 1;  // overflowed; keep scanning nothing more
            break;
        }
    }
    if (negative) return magnitude > limit ? std::numeric_limits<int>::min() : static_cast<int>(-magnitude);
    return magnitude >= limit ? std::numeric_limits<int>::max() : static_cast<int>(magnitude);
}

double stringDoubleValue(std::string_view s) {
    std::size_t start = skipWhitespace(s, 0);
    std::size_t end = start;
    // Only the characters of a decimal number reach the parser: no "nan", "inf" or hex.
    while (end < s.size() && (isDigit(s[end]) || s[end] == '+' || s[end] == '-' || s[end] == '.' || s[end] == 'e' ||
                              s[end] == 'E'))
        ++end;
    if (end == start) return 0;
    std::string run(s.substr(start, end - start));
    char* stop = nullptr;
    double value = strtod_l(run.c_str(), &stop, cLocale());
    return stop == run.c_str() ? 0 : value;
}

float stringFloatValue(std::string_view s) { return static_cast<float>(stringDoubleValue(s)); }

bool boolValue(const id& object) {
    if (auto n = rt::cast<NSNumber>(object))
        return std::visit([](auto v) { return v != decltype(v){}; }, n->value);
    if (auto s = rt::cast<NSString>(object)) return stringBoolValue(s->utf8);
    return false;
}

int intValue(const id& object) {
    if (auto n = rt::cast<NSNumber>(object)) {
        return std::visit(
            [](auto v) -> int {
                using V = decltype(v);
                if constexpr (std::is_same_v<V, bool>) return v ? 1 : 0;
                // A real beyond the range saturates, as the device's processor does.
                else if constexpr (std::is_same_v<V, double>) return saturate<int>(v);
                else return lowBits(v);
            },
            n->value);
    }
    if (auto s = rt::cast<NSString>(object)) return stringIntValue(s->utf8);
    return 0;
}

double doubleValue(const id& object) {
    if (auto n = rt::cast<NSNumber>(object))
        return std::visit([](auto v) { return static_cast<double>(v); }, n->value);
    if (auto s = rt::cast<NSString>(object)) return stringDoubleValue(s->utf8);
    return 0;
}

float floatValue(const id& object) {
    if (auto n = rt::cast<NSNumber>(object))
        return std::visit([](auto v) { return static_cast<float>(v); }, n->value);
    if (auto s = rt::cast<NSString>(object)) return stringFloatValue(s->utf8);
    return 0;
}

std::string formatF(double value) { return format("%f", value); }

std::optional<double> parseFiniteNumber(std::string_view text) {
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::size_t> utf8Characters(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (more < 0 || text.size() - i <= static_cast<std::size_t>(more)) return std::nullopt;
        std::uint32_t cp = more == 0 ? c : c & (0x3F >> more);
        for (int k = 1; k <= more; ++k) {
            const auto b = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((b >> 6) != 2) return std::nullopt;
            cp = cp << 6 | (b & 0x3F);
        }
        static constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kLeast[more] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
        i += static_cast<std::size_t>(more) + 1;
    }
    return count;
}

}  // namespace ns
