// The pane's commands: run a system program and wait for it, restart the home
// screen, erase the stored block positions.
#pragma once

namespace orvellepb {

inline constexpr const char* kKillProgram = "/usr/bin/killall";
inline constexpr const char* kRemoveProgram = "/bin/rm";
inline constexpr const char* kClockPositionFile = "/var/mobile/Library/Preferences/com.tovik.orvelleClock.plist";
inline constexpr const char* kWeatherPositionFile = "/var/mobile/Library/Preferences/com.tovik.orvelleWeather.plist";

// Starts `path` with `argv` (ending with a null entry), no environment, and
// waits until it has ended. Answers waitpid's result: the child's id, or -1,
// also when the program could not be started (then nothing is waited on).
int execCommand(const char* path, char* const argv[]);

// killall -9 SpringBoard backboardd, in one run.
int respring();
// rm -rfv of the weather and then the clock position file, then respring.
int reset();

}  // namespace orvellepb
