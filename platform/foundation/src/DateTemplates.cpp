// Date formats from templates, through ICU's pattern generator.
#include <unicode/udatpg.h>

#include <memory>

#include "IcuText.h"
#include "foundation/DateFormatter.h"

namespace ns {

namespace {

bool isDayPeriod(char16_t c) { return c == u'a' || c == u'b' || c == u'B'; }
bool isSpace(char16_t c) { return c == u' ' || c == u'\u00A0' || c == u'\u202F'; }

// The pattern without its day-period fields and the spaces that set them
// apart; quoted text stays as it is.
std::u16string withoutDayPeriod(const std::u16string& pattern) {
    std::u16string out;
    bool quoted = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char16_t c = pattern[i];
        if (c == u'\'') quoted = !quoted;
        if (quoted || !isDayPeriod(c)) {
            out += c;
            continue;
        }
        while (i + 1 < pattern.size() && pattern[i + 1] == c) ++i;
        while (!out.empty() && isSpace(out.back())) out.pop_back();
        while (i + 1 < pattern.size() && isSpace(pattern[i + 1]) && out.empty()) ++i;
    }
    while (!out.empty() && isSpace(out.front())) out.erase(out.begin());
    return out;
}

}  // namespace

std::string dateFormatFromTemplate(const std::string& dateTemplate, const std::string& locale) {
    if (dateTemplate.empty()) return {};
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UDateTimePatternGenerator, decltype(&udatpg_close)> generator(udatpg_open(locale.c_str(), &status),
                                                                                  &udatpg_close);
    if (U_FAILURE(status) || !generator) return {};
    // This ICU pads the hour of "J" in some locales ("hh:mm" in en_US); the
    // locale's own hour ("j") without its day period is what "J" means.
    std::u16string skeleton = icu_text::toUtf16(dateTemplate);
    bool noDayPeriod = false;
    for (char16_t& c : skeleton)
        if (c == u'J') {
            c = u'j';
            noDayPeriod = true;
        }
    UChar buffer[256];
    int32_t length = udatpg_getBestPattern(generator.get(), reinterpret_cast<const UChar*>(skeleton.data()),
                                           static_cast<int32_t>(skeleton.size()), buffer, 256, &status);
    if (U_FAILURE(status) || length <= 0 || length >= 256) return {};
    std::u16string pattern(reinterpret_cast<const char16_t*>(buffer), static_cast<std::size_t>(length));
    if (noDayPeriod) pattern = withoutDayPeriod(pattern);
    return icu_text::toUtf8(pattern);
}

}  // namespace ns
