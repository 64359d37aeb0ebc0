#include "foundation/TimeZones.h"

#include <unicode/ucal.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <cmath>
#include <cstring>
#include <ctime>

namespace ns {

bool isKnownTimeZone(const std::string& zone) {
    if (zone.empty() || zone.size() > 64) return false;
    UChar id[65];
    u_charsToUChars(zone.c_str(), id, static_cast<int32_t>(zone.size()));
    id[zone.size()] = 0;
    UChar canonical[128];
    UBool isSystem = false;
    UErrorCode status = U_ZERO_ERROR;
    ucal_getCanonicalTimeZoneID(id, static_cast<int32_t>(zone.size()), canonical, 128, &isSystem, &status);
    return U_SUCCESS(status) && isSystem;
}

std::optional<double> instantOfWallTime(double wall, const std::string& zone) {
    if (!isKnownTimeZone(zone) || !std::isfinite(wall)) return std::nullopt;
    std::time_t whole = static_cast<std::time_t>(std::floor(wall));
    std::tm f{};
    if (!gmtime_r(&whole, &f)) return std::nullopt;
    UChar id[65];
    u_charsToUChars(zone.c_str(), id, static_cast<int32_t>(zone.size()));
    id[zone.size()] = 0;
    UErrorCode status = U_ZERO_ERROR;
    UCalendar* cal = ucal_open(id, static_cast<int32_t>(zone.size()), "en_US_POSIX", UCAL_GREGORIAN, &status);
    if (U_FAILURE(status)) return std::nullopt;
    ucal_clear(cal);  // no milliseconds of the moment it was opened
    ucal_setDateTime(cal, f.tm_year + 1900, f.tm_mon, f.tm_mday, f.tm_hour, f.tm_min, f.tm_sec, &status);
    UDate millis = ucal_getMillis(cal, &status);
    ucal_close(cal);
    if (U_FAILURE(status)) return std::nullopt;
    return millis / 1000.0 + (wall - static_cast<double>(whole));
}

bool isKnownLocale(const std::string& locale) {
    if (locale.empty() || locale.size() > 64) return false;
    for (int32_t i = 0, n = uloc_countAvailable(); i < n; ++i)
        if (std::strcmp(uloc_getAvailable(i), locale.c_str()) == 0) return true;
    return false;
}

}  // namespace ns
