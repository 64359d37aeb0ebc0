// The system log: one line per call on standard error; tests can capture it.
#pragma once

#include <functional>
#include <string>

void NSLog(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

namespace ns {
void logLine(const std::string& line);
// Replaces the sink (nothing restores standard error).
void setLogSink(std::function<void(const std::string&)> sink);
}  // namespace ns
