// The one way into a device. Every program that runs in a device (its
// supervisor at boot, a command or the Settings program on a stopped device,
// a headless one-shot run, a command inside a booted device) is started by
// launch(), so every one of them stands behind the same walls: the device's
// trees at /var and /Library, the machine's /usr read-only, a PID namespace
// of the device's, and the device's environment.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include "device/Device.h"
#include "wire/Profile.h"

namespace sim {

struct BootState;
class DeviceLimitPlan;

// The first descriptor number at which a program gets LaunchSpec::passFds.
inline constexpr int kFirstPassedFd = 5;

enum class Entry {
    // The device's first process (its supervisor): a new sandbox that
    // outlives the tool, in a session of its own, reaping every orphan.
    Boot,
    // A program in a new sandbox of its own, ending with the tool: commands
    // and the Settings program on a stopped device, one-shot runs.
    Fresh,
    // A program inside a booted device: its PID namespace and its files.
    Join,
};

using Environment = std::vector<std::pair<std::string, std::string>>;

// The device's environment: its paths, home, locale and time zone (either
// may be overridden), and the time a device booted at a given time starts at.
Environment deviceEnvironment(const Profile& profile, const std::string& locale = {}, const std::string& timeZone = {},
                              const std::string& time = {});

struct LaunchSpec {
    Entry entry = Entry::Fresh;
    std::vector<std::string> command;
    // Inside the sandbox; "" keeps the caller's folder when the sandbox shows
    // it, else "/".
    std::string workingFolder;
    Environment environment;  // the program's whole environment: nothing of the tool's
    // The program's standard descriptors; -1 gives /dev/null, never the tool's own.
    int stdinFd = -1, stdoutFd = -1, stderrFd = -1;
    // Boot: bubblewrap writes {"child-pid": N} to this descriptor of the tool's.
    int infoFd = -1;
    // Descriptors the program gets, as kFirstPassedFd, kFirstPassedFd + 1, ...
    std::vector<int> passFds;
    // Join: the booted device.
    const BootState* booted = nullptr;
    // The device's host name; "" takes the profile's model ("iPhone", "iPad").
    // A joining program keeps the device's.
    std::string hostName;
    // The device's limits, prepared by the caller; null: launch prepares them
    // from the profile (a joining program enters the booted device's).
    const DeviceLimitPlan* limits = nullptr;
};

// What the tool does with a command's output on its way to the user.
enum class Shown {
    AsIs,     // a command the user chose: its bytes, on a terminal of its own
    Escaped,  // a program of the tool's that prints the device's text: pipes, control characters escaped
    Logged,   // as Escaped, and what it says on standard error is the device's log too
};

// Starts the program; answers the pid of its sandbox on this machine (the
// bubblewrap process). Fails with one line naming the device and the reason.
pid_t launch(const Device& device, const LaunchSpec& spec);

// Launches and waits. The program is in a session of its own, so the tool
// passes on Ctrl-C and the other stop signals to it. Answers the program's
// exit code as a shell gives it.
int runToEnd(const Device& device, const LaunchSpec& spec);

// A program inside the device: joining it when it is booted, in a fresh
// sandbox otherwise, with the device's environment and the tool's variables
// named in `passed` (a name the tool has not set is left out). Its standard
// descriptors are never the tool's: with a terminal on the tool's standard
// input it gets a new pseudo-terminal, else pipes, and the tool relays bytes
// both ways while it runs. Answers its exit code.
int runInDevice(const Device& device, const std::vector<std::string>& command,
                const std::vector<std::string>& passed = {}, Shown shown = Shown::AsIs);

// The bubblewrap argument vector of `spec`, with the descriptor numbers the
// sandbox receives (for the tests of what is mounted where).
std::vector<std::string> sandboxCommand(const Device& device, const LaunchSpec& spec);

// The folder a process inside sees for `folder` outside ("" when it sees none).
std::string visibleInside(const Device& device, const std::string& folder);

}  // namespace sim
