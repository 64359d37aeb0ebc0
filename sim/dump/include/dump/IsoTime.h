// Instants as ISO 8601 text, as the tool's --at and --time options give them.
#pragma once

#include <optional>
#include <string>

namespace dump {

// "2026-12-07T21:05:02+00:00": seconds since 1970 in the process's time zone
// (the TZ environment), whole seconds.
std::string isoTime(double seconds);

// "2026-12-07T21:05", "2026-12-07T21:05:02", with "Z" or "+01:00"/"-0500";
// without a zone the time is read in the process's time zone. Nothing for
// anything else, including impossible dates.
std::optional<double> parseIsoTime(const std::string& text);

}  // namespace dump
