// The lock screen's notifications as the device keeps them: posted (by the
// tool or the page), cleared one by one or all, newest first, and kept in the
// device across restarts of the home screen once posted or cleared. A device
// without a store shows the three samples, as of today, at every start.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "foundation/Result.h"
#include "wire/springboard.pb.h"

namespace springboard {

inline constexpr const char* kNotificationStore = "/var/mobile/Library/SpringBoard/Notifications.pb";
inline constexpr std::size_t kMostNotifications = 100;
inline constexpr std::size_t kMostFieldCharacters = 1000;
// A full store: every field at its longest, four bytes a character, and room.
inline constexpr std::size_t kMaxStoreBytes = kMostNotifications * (3 * 4 * kMostFieldCharacters + 64) + 64;

// The store's bytes, checked: at most kMostNotifications, each field UTF-8 of
// at most kMostFieldCharacters, every time one a clock may show, ids unique.
ns::Result<wire::NotificationStore> notificationStoreOf(std::string_view bytes);
// A post checked as the store would keep it; the reason names the limit.
ns::Result<> checkPost(const wire::NotificationPost& post);

// Keeps the notifications in `path` from now on: read from it, or the samples
// when there is none (the store is written at the first post or clear).
// Without this (tests of the host classes), they live in memory alone.
void useNotificationStore(const std::string& path);
// Newest first.
std::vector<wire::Notification> notifications();
// Posts, clears or lists; the list after it (times said as the device says
// them), or a refusal naming the limit.
ns::Result<wire::NotificationList> notify(const wire::NotifyRequest& request);

}  // namespace springboard
