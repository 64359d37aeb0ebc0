#include "WorkbenchCommands.h"

#include "DeviceClock.h"
#include "LockScreen.h"
#include "NotificationList.h"
#include "NotificationStore.h"
#include "wire/InsidePaths.h"

namespace springboard {

namespace {

void refuse(wire::Answer& a, const std::string& why) {
    a.mutable_failure()->set_kind(wire::Failure::BAD_REQUEST);
    a.mutable_failure()->set_reason(why);
}

}  // namespace

Handlers workbenchHandlers() {
    using C = wire::ToSpringBoard;
    return {
        {C::kClock,
         [](const C& r, wire::Answer& a, const auto&) {
             auto state = changeClock(r.clock(), sim::inside::kClockRecord);
             if (!state) return refuse(a, state.reason());
             if (r.clock().change_case() != wire::ClockRequest::kShow) {
                 // What reads the time at a minute's turn reads it now; the
                 // timers fire as the clock's jump makes them due.
                 clockMoved();
             }
             *a.mutable_clock() = *state;
         }},
        {C::kNotify,
         [](const C& r, wire::Answer& a, const auto&) {
             auto list = notify(r.notify());
             if (!list) return refuse(a, list.reason());
             if (r.notify().action_case() != wire::NotifyRequest::kList) reloadNotificationList();
             *a.mutable_notifications() = *list;
         }},
    };
}

}  // namespace springboard
