#include "foundation/RelativeDate.h"

#include <unicode/ucal.h>
#include <unicode/ureldatefmt.h>

#include <cmath>
#include <memory>

#include "IcuText.h"
#include "foundation/DateFormatter.h"

namespace ns {

namespace {

// The day number of an instant in the process's time zone; 0 when the
// calendar cannot be opened.
int32_t dayNumber(double seconds, const std::string& zone) {
    std::u16string zoneId = icu_text::toUtf16(zone);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCalendar, decltype(&ucal_close)> calendar(
        ucal_open(reinterpret_cast<const UChar*>(zoneId.data()), static_cast<int32_t>(zoneId.size()), "en_US",
                  UCAL_GREGORIAN, &status),
        &ucal_close);
    if (U_FAILURE(status)) return 0;
    ucal_setMillis(calendar.get(), std::floor(seconds * 1000.0), &status);
    int32_t day = ucal_get(calendar.get(), UCAL_JULIAN_DAY, &status);
    return U_FAILURE(status) ? 0 : day;
}

std::string formatted(double offset, URelativeDateTimeUnit unit, bool numeric) {
    UErrorCode status = U_ZERO_ERROR;
    // The narrow style is the platters' ("5m ago"), in the words' own case.
    std::unique_ptr<URelativeDateTimeFormatter, decltype(&ureldatefmt_close)> formatter(
        ureldatefmt_open(defaultLocale().c_str(), nullptr, UDAT_STYLE_NARROW,
                         UDISPCTX_CAPITALIZATION_FOR_STANDALONE, &status),
        &ureldatefmt_close);
    if (U_FAILURE(status)) return {};
    UChar buffer[128];
    int32_t length = numeric ? ureldatefmt_formatNumeric(formatter.get(), offset, unit, buffer, 128, &status)
                             : ureldatefmt_format(formatter.get(), offset, unit, buffer, 128, &status);
    if (U_FAILURE(status) || length >= 128) return {};
    return icu_text::toUtf8(buffer, length);
}

}  // namespace

std::string relativeDateText(double when, double now) {
    if (!std::isfinite(when) || !std::isfinite(now)) return {};
    const double ago = now - when;
    if (ago < 60) return formatted(0, UDAT_REL_UNIT_SECOND, false);
    if (ago < 3600) return formatted(-std::floor(ago / 60), UDAT_REL_UNIT_MINUTE, true);
    const std::string zone = defaultTimeZone();
    const int32_t days = dayNumber(now, zone) - dayNumber(when, zone);
    if (days <= 0) return formatted(-std::floor(ago / 3600), UDAT_REL_UNIT_HOUR, true);
    if (days == 1) return formatted(-1, UDAT_REL_UNIT_DAY, false);
    NSDateFormatter date;
    date.setLocalizedDateFormatFromTemplate("MMMd");
    return date.stringFromDate(when);
}

}  // namespace ns
