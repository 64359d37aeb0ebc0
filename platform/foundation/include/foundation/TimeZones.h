// The time zones and locales the date library knows, so that a device is
// never set to one it would silently replace with UTC or the root locale.
#pragma once

#include <string>

namespace ns {

// An Olson zone ID the library knows ("Europe/Paris", "UTC"); "Europe/Pari" is not one.
bool isKnownTimeZone(const std::string& zone);
// A locale the library has data for ("fr_FR", "en_US"); "zz_ZZ" is not one.
bool isKnownLocale(const std::string& locale);

}  // namespace ns
