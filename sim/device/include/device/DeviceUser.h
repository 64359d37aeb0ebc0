// Who a device's programs are on this machine. Inside a device they are the
// phone's user mobile (501); outside they are never root: when the tool runs
// as root they run as the system user "orvelle", otherwise as the tool's own
// user. The device's own trees (var, Library, run, log) belong to that user,
// so the device can write them and nothing else.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "device/Device.h"

namespace sim {

inline constexpr uid_t kMobileUid = 501;
inline constexpr gid_t kMobileGid = 501;
inline constexpr const char* kDeviceSystemUser = "orvelle";

struct DeviceUser {
    uid_t uid = 0;
    gid_t gid = 0;
    std::string name;
    bool fromRoot = false;  // the tool runs as root and switches to this user
};

// Fails with what to do when the tool runs as root and the system user is missing.
DeviceUser deviceUser();

// When the tool runs as root, fails unless the device user can pass through
// every folder down to `folder` (bubblewrap reaches a device's folders by
// their paths, as that user), naming the first closed one and how to open it.
void requireReachableByDeviceUser(const std::filesystem::path& folder);

// Makes the device's own trees the device user's, as the tool (root) may have
// written into them; links are changed themselves, never followed. Nothing
// to do when the tool is not root.
void giveToDeviceUser(const Device& device);

// Makes a file or folder the tool just made inside a device the device
// user's (a descriptor of it, or of its folder with its name).
void giveToDeviceUser(int fd);
void giveToDeviceUser(int folder, const std::string& name);

}  // namespace sim
