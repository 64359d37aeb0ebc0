// exec: a command inside a device, or inside a fresh temporary one.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "Args.h"
#include "Verbs.h"
#include "device/Boot.h"
#include "device/Create.h"
#include "wire/Failure.h"
#include "device/Sandbox.h"
#include "device/TemporaryFolder.h"

namespace cli {

namespace fs = std::filesystem;

namespace {

// A temporary device, removed with everything in it when done.
class FreshDevice {
public:
    explicit FreshDevice(const sim::Profile& profile) : folder_("device") {
        sim::createDevice(device(), profile);
    }
    sim::Device device() const { return sim::Device(folder_.path()); }

private:
    sim::TemporaryFolder folder_;
};

}  // namespace

int execVerb(const std::vector<std::string>& words) {
    Args args(words, {"model", "version", "screen", "env"}, {"fresh", "with-nine"});
    if (args.help()) return printUsage("exec");
    std::vector<std::string> command = args.rest();
    std::size_t devices = args.flag("fresh") ? 0 : 1;
    if (args.positionals().size() < devices) throw UsageError("missing DEVICE");
    if (!args.hasRest()) command.assign(args.positionals().begin() + static_cast<long>(devices), args.positionals().end());
    else if (args.positionals().size() > devices)
        throw UsageError("unexpected argument \"" + args.positionals()[devices] + "\" before --");
    if (command.empty()) throw UsageError("missing the command (after --)");
    std::vector<std::string> passed = args.optionValues("env");
    for (const auto& name : passed)
        if (name.empty() || name.find('=') != std::string::npos)
            throw UsageError("--env takes the name of a variable of this shell, not \"" + name + "\"");

    if (args.flag("fresh")) {
        FreshDevice fresh(profileFromArgs(args));
        return sim::runInDevice(fresh.device(), command, passed);
    }
    if (args.option("model") || args.option("version") || args.option("screen") || args.flag("with-nine"))
        throw UsageError("--model, --version, --screen and --with-nine go with --fresh");
    sim::Device device(args.positionals()[0]);
    device.requireExists();
    return sim::runInDevice(device, command, passed);
}

}  // namespace cli
