// create and install.
#include <cstdio>

#include "Args.h"
#include "Verbs.h"
#include "device/Create.h"
#include "device/DeviceModels.h"
#include "device/Failure.h"

namespace cli {

namespace {

void report(const sim::InstallResult& result) {
    for (const auto& missing : result.notBuilt)
        std::fprintf(stderr, "orvelle-sim: note: %s is not built, so it is not installed\n", missing.c_str());
}

}  // namespace

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

int installVerb(const std::vector<std::string>& words) {
    Args args(words, {}, {});
    if (args.help()) return printUsage("install");
    args.expectPositionals(1, "DEVICE");
    sim::Device device(args.positionals()[0]);
    device.requireExists();
    auto result = sim::installDeliverables(device, sim::readProfile(device.profileFile()));
    report(result);
    if (result.installed.empty()) throw sim::Failure("nothing to install: build the deliverables first");
    for (const auto& file : result.installed) std::printf("installed %s\n", file.c_str());
    return 0;
}

}  // namespace cli
