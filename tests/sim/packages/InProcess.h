// The package manager called in this process, apart from the tests that run
// the tool (whose sim() would hide its namespace).
#pragma once

#include <string>

// Upgrades the device with `bytes` in a child process that is killed, as
// kill -9 would, at the change's `stop`-th step. True when it was killed;
// false when the change ended before.
bool upgradeKilledAtStep(const std::string& device, const std::string& bytes, int stop);
// The device's maintainer scripts stopped after `seconds`.
void setScriptLimit(const std::string& device, double seconds);
