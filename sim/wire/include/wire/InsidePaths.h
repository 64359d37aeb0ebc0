// Where a device's own files appear inside its sandbox. The programs of the
// device find the profile and the run folder here; the device log is the
// host's, never shown inside.
#pragma once

namespace sim::inside {

inline constexpr const char* kDeviceFolder = "/run/device";
inline constexpr const char* kProfile = "/run/device/profile.plist";
inline constexpr const char* kRunFolder = "/run/device/run";
inline constexpr const char* kControlSocket = "/run/device/run/springboard.sock";
// The device's clock as held in hand, across a restart of the home screen.
inline constexpr const char* kClockRecordName = "clock.record";
inline constexpr const char* kClockRecord = "/run/device/run/clock.record";

// The device's memory controller, read-only: what the kernel killed for memory.
inline constexpr const char* kMemoryGroup = "/run/limits/memory";

inline constexpr const char* kDynamicLibraries = "/Library/MobileSubstrate/DynamicLibraries";

// The platform's shared libraries, read-only: the device's library path, so
// its programs and every tweak loaded into them share one copy of each layer
// (the build's ORVELLE_DEVICE_FRAMEWORKS).
inline constexpr const char* kFrameworks = "/System/Library/Frameworks";

}  // namespace sim::inside
