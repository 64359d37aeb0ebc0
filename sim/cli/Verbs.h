// The verbs of orvelle-sim. Each takes the words after the verb, prints its
// usage for --help, and throws sim::Failure or cli::UsageError on failure.
#pragma once

#include <string>
#include <vector>

#include "device/Device.h"
#include "device/Install.h"
#include "wire/Profile.h"
#include "wire/springboard.pb.h"

namespace cli {

class Args;

struct Verb {
    const char* name;
    const char* usage;  // first line: the synopsis
    int (*run)(const std::vector<std::string>& words);
};

const std::vector<Verb>& verbs();

int createVerb(const std::vector<std::string>& words);
int installVerb(const std::vector<std::string>& words);
int packagesVerb(const std::vector<std::string>& words);
int removeVerb(const std::vector<std::string>& words);
int bootVerb(const std::vector<std::string>& words);
int shutdownVerb(const std::vector<std::string>& words);
int statusVerb(const std::vector<std::string>& words);
int respringVerb(const std::vector<std::string>& words);
int execVerb(const std::vector<std::string>& words);
int settingsVerb(const std::vector<std::string>& words);
int logVerb(const std::vector<std::string>& words);
int prefsVerb(const std::vector<std::string>& words);
int dumpVerb(const std::vector<std::string>& words);
int mediaVerb(const std::vector<std::string>& words);
int touchVerb(const std::vector<std::string>& words);
int lockVerb(const std::vector<std::string>& words);
int statusBarVerb(const std::vector<std::string>& words);
int weatherVerb(const std::vector<std::string>& words);
int screenshotVerb(const std::vector<std::string>& words);
int recordVerb(const std::vector<std::string>& words);
int serveVerb(const std::vector<std::string>& words);
int crashesVerb(const std::vector<std::string>& words);
int matrixVerb(const std::vector<std::string>& words);
int clockVerb(const std::vector<std::string>& words);
int notifyVerb(const std::vector<std::string>& words);

// The device's clock in one line, as status and clock print it.
std::string clockLine(const wire::ClockState& clock);

// The device's crash reports, newest first, and one report's text.
std::vector<std::string> crashReportNames(const sim::Device& device);
std::string crashReportText(const sim::Device& device, const std::string& name);

// Notes what of this build was not there to install.
void report(const sim::InstallResult& result);

// The profile that --model, --version, --screen and --with-nine describe.
sim::Profile profileFromArgs(const Args& args);

// Prints the verb's usage to standard output.
int printUsage(const char* verbName);

}  // namespace cli
