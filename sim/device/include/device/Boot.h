// Booting and stopping a device, and reaching into a booted one. A booted
// device is a bubblewrap sandbox whose first process is the supervisor; the
// run folder records it (boot.state) and the programs it keeps (programs).
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "device/Device.h"

namespace sim {

struct BootState {
    pid_t supervisor = 0;               // on this machine
    unsigned long long startTime = 0;  // tells a reused pid apart
    pid_t keeper = 0;                   // the host's keeper of the device (it ends after the sandbox)
    unsigned long long keeperStartTime = 0;
    std::string safeMode;               // boot: it came up in safe mode, and why
    std::string limits;                 // the mechanism bounding it ("cgroup v1", "rlimits")
    std::vector<std::string> cgroups;   // its control group's folders
    std::string limitsText;             // every bound, for status
};

// The state of a booted device; nothing when it is not booted (a stale record
// of a device whose supervisor is gone counts as not booted).
std::optional<BootState> bootState(const Device& device);

struct Program {
    std::string name;
    pid_t pid = 0;  // inside the device
};
// The programs the supervisor keeps, as its keeper last heard.
std::vector<Program> programs(const Device& device);

struct BootOptions {
    std::string time;      // ISO 8601, passed on as ORVELLE_TIME
    std::string locale;    // default: the profile's
    std::string timeZone;  // default: the profile's
    double timeoutSeconds = 40;
    std::vector<std::string> also;  // more programs to keep (paths the device sees)
};

// Starts the sandbox and returns once SpringBoard answers on its control
// socket (in safe mode, saying why, when its tweaks kept it from starting).
// Fails, leaving nothing running, when that does not happen in time, naming
// the library it was loading.
BootState boot(const Device& device, const BootOptions& options);

// Stops the supervisor (which ends every program of the device) and clears the
// run folder. Fails when the device is not booted.
void shutdown(const Device& device, double timeoutSeconds = 10);

// Kills SpringBoard and backboardd inside the device and waits until a new
// SpringBoard answers. Answers its pid inside the device.
pid_t respring(const Device& device, double timeoutSeconds = 20);

// Serialises boot, shutdown and respring of one device between processes.
class DeviceLock {
public:
    explicit DeviceLock(const Device& device);
    ~DeviceLock();
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace sim
