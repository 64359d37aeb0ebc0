// What a program finds when it tries the host's powers from inside a device:
// one line of "name=value" words, the same from a command and from a tweak.
#pragma once

#include <string>

// Tries each attack and reports it: uid, capabilities, namespaces and the
// errno of each refused call ("remount=EPERM"), or "done" when one went
// through. Makes `ownerFile` first, so the machine's side can see who made it.
std::string wallReport(int loopbackPort, const std::string& ownerFile);
