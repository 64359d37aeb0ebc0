// prefs: the device's Settings app, run inside the device as a person would use it.
#include "Args.h"
#include "Verbs.h"
#include "device/Boot.h"
#include "device/BuildTree.h"
#include "wire/Failure.h"
#include "device/Sandbox.h"

namespace cli {

int prefsVerb(const std::vector<std::string>& words) {
    Args args(words, {}, {});
    if (args.help()) return printUsage("prefs");
    std::vector<std::string> rest = args.positionals();
    // Words after "--" are taken as they are, so a value may begin with dashes.
    rest.insert(rest.end(), args.rest().begin(), args.rest().end());
    if (rest.empty()) throw UsageError("missing DEVICE");
    if (rest.size() < 2) throw UsageError("missing show, set or press");
    const std::string& action = rest[1];
    std::size_t arity = rest.size() - 2;
    if (action == "show") {
        if (arity > 1) throw UsageError("show takes at most one PAGE");
    } else if (action == "set") {
        if (arity != 2) throw UsageError("set takes KEY VALUE");
    } else if (action == "press") {
        if (arity != 1) throw UsageError("press takes ACTION");
    } else {
        throw UsageError("unknown action \"" + action + "\" (show, set or press)");
    }
    sim::Device device(rest[0]);
    device.requireExists();
    std::vector<std::string> command{(sim::binFolder() / "Preferences").string()};
    command.insert(command.end(), rest.begin() + 1, rest.end());
    // The pages' labels and values are the device's panes' text; its log lines
    // are the device log's, as on the device.
    return sim::runInDevice(device, command, {}, sim::Shown::Logged);
}

}  // namespace cli
