#include "foundation/TimeZones.h"

#include <unicode/ucal.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <cstring>

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

bool isKnownLocale(const std::string& locale) {
    if (locale.empty() || locale.size() > 64) return false;
    for (int32_t i = 0, n = uloc_countAvailable(); i < n; ++i)
        if (std::strcmp(uloc_getAvailable(i), locale.c_str()) == 0) return true;
    return false;
}

}  // namespace ns
