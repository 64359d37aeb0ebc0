// How long ago an instant was, in words of the process's locale, as the
// lock screen's notifications date themselves.
#pragma once

#include <string>

namespace ns {

// `when` seen from `now` (seconds since 1970), in the process's locale and
// time zone: "now" under a minute (and for a time still to come), "5m ago"
// within the hour, "2h ago" the same day, "yesterday" the day before, and the
// day's date ("Dec 5") before that. Empty when either is not a finite time.
std::string relativeDateText(double when, double now);

}  // namespace ns
