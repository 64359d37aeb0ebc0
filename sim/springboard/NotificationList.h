// The notification list's view: the device's notifications, newest
// first, grouped as the version groups them: one run on 10; on 11 the new
// ones, then the older ones under a heading of their day.
#pragma once

#include "foundation/Objects.h"

namespace springboard {

// The stock loadView of the list controller.
void loadNotificationList(const id& controller);
// Stacks the platters (and 11's heading) down the list's width; what does not
// fit above the call to action runs on under it, as the list scrolls there.
void layoutNotificationList(const id& list);
// The platters' relative times and previews afresh, laid out again (the lock
// screen's minute and a new lock state do it).
void refreshNotificationList();
// The platters made afresh from the store (a notification posted or cleared).
void reloadNotificationList();

}  // namespace springboard
