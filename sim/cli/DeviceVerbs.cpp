// create.
#include <cstdio>

#include "Args.h"
#include "Verbs.h"
#include "device/Create.h"
#include "wire/DeviceModels.h"
#include "wire/Failure.h"

namespace cli {

void report(const sim::InstallResult& result) {
    for (const auto& missing : result.notBuilt)
        std::fprintf(stderr, "orvelle-sim: note: %s is not built, so it is not installed\n", missing.c_str());
}

sim::Profile profileFromArgs(const Args& args) {
    sim::DeviceChoice choice;
    choice.model = args.option("model");
    choice.version = args.option("version");
    choice.screen = args.option("screen");
    auto profile = sim::chooseDevice(sim::Profile{}, choice);
    if (!profile) throw UsageError(profile.reason());
    profile->withNine = args.flag("with-nine");
    return *profile;
}

int createVerb(const std::vector<std::string>& words) {
    Args args(words, {"model", "version", "screen"}, {"with-nine"});
    if (args.help()) return printUsage("create");
    args.expectPositionals(1, "DEVICE");
    sim::Profile profile = profileFromArgs(args);
    report(sim::createDevice(sim::Device(args.positionals()[0]), profile));
    return 0;
}

}  // namespace cli
