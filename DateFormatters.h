// Date formatters for the panel's text, kept per pattern, locale and time zone:
// building one costs some twenty formats, and the labels format every second.
#pragma once

#include <string>

namespace orvelle {

// The time (seconds since 1970) in the process's locale and time zone with a
// date-field pattern. Any pattern is accepted; an invalid field truncates the
// text there, as on the device.
std::string formatDate(const std::string& pattern, double seconds);

// Off: every call builds a fresh formatter (the cost the kept ones save).
void setFormatterCaching(bool on);

}  // namespace orvelle
