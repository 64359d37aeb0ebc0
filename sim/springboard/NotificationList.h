// The notification list's view: a few sample notifications, newest first.
#pragma once

#include "foundation/Objects.h"

namespace springboard {

// The stock loadView of the list controller.
void loadNotificationList(const id& controller);
// Stacks the notifications down the list's width.
void layoutNotificationList(const id& list);

}  // namespace springboard
