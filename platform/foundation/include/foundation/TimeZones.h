// The time zones and locales the date library knows, so that a device is
// never set to one it would silently replace with UTC or the root locale.
#pragma once

#include <optional>
#include <string>

namespace ns {

// An Olson zone ID the library knows ("Europe/Paris", "UTC"); "Europe/Pari" is not one.
bool isKnownTimeZone(const std::string& zone);
// The instant (seconds since 1970) at which the clocks of `zone` show the
// wall time `wall` (its fields read as if in UTC); nothing for an unknown zone.
std::optional<double> instantOfWallTime(double wall, const std::string& zone);
// A locale the library has data for ("fr_FR", "en_US"); "zz_ZZ" is not one.
bool isKnownLocale(const std::string& locale);

}  // namespace ns
