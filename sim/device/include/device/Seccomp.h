// What a program of a device may not ask the kernel, as an app on the phone
// may not: mount or unmount file systems, make device nodes, load kernel
// modules, reboot, open files by handle, push characters into a terminal,
// set the clock, and the like. Refused calls fail with EPERM; ptrace stays
// (the sanitizers' leak check needs it).
#pragma once

#include <string>

namespace sim {

// The filter as the kernel's BPF program, for bubblewrap's --seccomp.
// Fails with the reason when the filter cannot be made.
std::string deviceSeccompProgram();

}  // namespace sim
