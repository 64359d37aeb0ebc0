// Where a device's own files appear inside its sandbox. The programs of the
// device find the profile, the run folder and the log here.
#pragma once

namespace sim::inside {

inline constexpr const char* kDeviceFolder = "/run/device";
inline constexpr const char* kProfile = "/run/device/profile.plist";
inline constexpr const char* kRunFolder = "/run/device/run";
inline constexpr const char* kLogFolder = "/run/device/log";
inline constexpr const char* kLogFile = "/run/device/log/device.log";
inline constexpr const char* kControlSocket = "/run/device/run/springboard.sock";
inline constexpr const char* kProgramsFile = "/run/device/run/programs";

inline constexpr const char* kDynamicLibraries = "/Library/MobileSubstrate/DynamicLibraries";

// The platform's shared libraries, read-only: the device's library path, so
// its programs and every tweak loaded into them share one copy of each layer
// (the build's ORVELLE_DEVICE_FRAMEWORKS).
inline constexpr const char* kFrameworks = "/System/Library/Frameworks";

}  // namespace sim::inside
