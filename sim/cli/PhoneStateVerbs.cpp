// lock and statusbar: what the booted phone shows around the panel, set as a
// person (or a picture's maker) would.
#include <cmath>
#include <cstdio>
#include <string>

#include "Args.h"
#include "DeviceOps.h"
#include "Verbs.h"
#include "wire/Requests.h"

namespace cli {

namespace {

// A whole number from `low` to `high`, or a usage error naming the option and the range.
int wholeIn(const std::string& text, const std::string& option, int low, int high) {
    std::size_t used = 0;
    long value = 0;
    try {
        value = std::stol(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value < low || value > high)
        throw UsageError(option + " must be a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                         ", not \"" + text + "\"");
    return static_cast<int>(value);
}

void printStatusBar(const wire::StatusBar& now) {
    if (!now.has_carrier() && !now.has_signal() && !now.has_battery() && !now.has_charging()) {
        std::printf("status bar: the device's own\n");
        return;
    }
    std::printf("status bar:");
    if (now.has_carrier()) std::printf(" carrier \"%s\"", now.carrier().c_str());
    if (now.has_signal()) std::printf(" signal %d", now.signal());
    if (now.has_battery()) std::printf(" battery %d%%", now.battery());
    if (now.has_charging()) std::printf(" %s", now.charging() ? "charging" : "not charging");
    std::printf("\n");
}

}  // namespace

int lockVerb(const std::vector<std::string>& words) {
    Args args(words, {}, {});
    if (args.help()) return printUsage("lock");
    if (args.positionals().empty()) throw UsageError("missing DEVICE");
    if (args.positionals().size() > 2) throw UsageError("lock takes DEVICE and at most one of locked, unlocked");
    sim::Device device(args.positionals()[0]);
    wire::LockRequest::State state = wire::LockRequest::QUERY;
    if (args.positionals().size() == 2) {
        const std::string& word = args.positionals()[1];
        if (word == "locked") state = wire::LockRequest::LOCKED;
        else if (word == "unlocked") state = wire::LockRequest::UNLOCKED;
        else throw UsageError("\"" + word + "\" is neither locked nor unlocked");
    }
    std::printf("%s\n", ask(device, wire::lockRequest(state)).locked() ? "locked" : "unlocked");
    return 0;
}

int statusBarVerb(const std::vector<std::string>& words) {
    Args args(words, {"carrier", "signal", "battery", "charging"}, {});
    if (args.help()) return printUsage("statusbar");
    if (args.positionals().empty()) throw UsageError("missing DEVICE");
    sim::Device device(args.positionals()[0]);
    wire::StatusBar asked;
    const bool given = args.option("carrier") || args.option("signal") || args.option("battery") || args.option("charging");
    if (args.positionals().size() == 2 && args.positionals()[1] == "clear") {
        if (given) throw UsageError("clear takes no other option");
        asked.set_clear(true);
    } else if (args.positionals().size() > 1) {
        throw UsageError("\"" + args.positionals()[1] + "\" is not clear; give the values as options");
    }
    if (auto c = args.option("carrier")) asked.set_carrier(*c);
    if (auto s = args.option("signal")) asked.set_signal(wholeIn(*s, "--signal", 0, 4));
    if (auto b = args.option("battery")) asked.set_battery(wholeIn(*b, "--battery", 0, 100));
    if (auto c = args.option("charging")) {
        if (*c != "yes" && *c != "no") throw UsageError("--charging must be yes or no, not \"" + *c + "\"");
        asked.set_charging(*c == "yes");
    }
    // No option and no clear: the overrides in force, changed by nothing.
    printStatusBar(ask(device, wire::statusBarRequest(asked)).status_bar());
    return 0;
}

}  // namespace cli
