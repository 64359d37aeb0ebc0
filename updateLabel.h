// UILabel(update): operations added to the toolkit's label class that keep a
// time label (with its flashing colon) and a date label current once a second.
// They are runtime methods of UILabel, so the refresh timers fire them by selector.
// Every step reads the time and date settings, so a change shows at the next one.
#pragma once

#include <cstddef>
#include <string>

#include "foundation/Objects.h"

namespace orvelle {

// Starts a 1-second repeating timer stepping timeLabelSet (NO) or
// timeLabelSetHide (YES: the overlay).
inline constinit const rt::Msg<void(bool overlay)> updateTimeLabel{"updateTimeLabel:"};
// Starts one stepping dateLabelSet.
inline constinit const rt::Msg<void()> updateDateLabel{"updateDateLabel"};
// One refresh step each.
inline constinit const rt::Msg<void()> timeLabelSet{"timeLabelSet"};
inline constinit const rt::Msg<void()> timeLabelSetHide{"timeLabelSetHide"};
inline constinit const rt::Msg<void()> dateLabelSet{"dateLabelSet"};

// Adds the operations to UILabel; later calls do nothing.
void registerLabelUpdates();

// Stops every refresh timer started on the label, so a label the panel no
// longer shows is released instead of being refreshed for ever.
void stopRefreshing(const id& label);
// The refresh timers running on the label.
std::size_t refreshTimerCount(const id& label);

// "h:mm" when "timeFormat" is 2, else "HH:mm".
std::string timePattern(int timeFormat);
// "EEEE\nyyyy-MM-dd", or with "enableCDF" on "dayFormat" + "\n" + "dateFormat"
// (a part that is missing or not a string counts as empty).
std::string datePattern(const id& settings);
// The time text as attributed text whose first colon is fully transparent.
id timeWithHiddenColon(const std::string& text);
// Whether the second of the minute at `seconds` (since 1970) is odd.
bool isOddSecond(double seconds);

}  // namespace orvelle
