// clock and notify: the booted device's clock held in hand, and the
// notifications of its lock screen.
#include <cmath>
#include <cstdio>
#include <string>

#include "Args.h"
#include "DeviceOps.h"
#include "Verbs.h"
#include "device/Boot.h"
#include "device/TerminalText.h"
#include "foundation/Conversions.h"
#include "wire/Failure.h"
#include "wire/Requests.h"

namespace cli {

namespace {

const char* const kRates = "a number above 0 and at most 3600 (x1, x10, x60, x3600)";

sim::Device bootedDevice(const Args& args) {
    if (args.positionals().empty()) throw UsageError("missing DEVICE");
    sim::Device device(args.positionals()[0]);
    device.requireExists();
    if (!sim::bootState(device)) throw sim::Failure(device.folder().string() + " is not booted");
    return device;
}

// "90", "90s", "-1m", "1.5h", "2d": seconds.
double durationOf(const std::string& text) {
    std::string number = text;
    double unit = 1;
    if (!text.empty()) {
        switch (text.back()) {
            case 's': unit = 1; number.pop_back(); break;
            case 'm': unit = 60; number.pop_back(); break;
            case 'h': unit = 3600; number.pop_back(); break;
            case 'd': unit = 86400; number.pop_back(); break;
            default: break;
        }
    }
    auto value = ns::parseFiniteNumber(number);
    if (!value)
        throw UsageError("DURATION \"" + text + "\" is not a number of seconds, or of minutes, hours or days ending in "
                         "s, m, h or d (90s, -1m, 1h, 2d)");
    return *value * unit;
}

double rateOf(const std::string& text) {
    std::string number = !text.empty() && (text[0] == 'x' || text[0] == 'X') ? text.substr(1) : text;
    auto value = ns::parseFiniteNumber(number);
    if (!value) throw UsageError(std::string("the rate must be ") + kRates + ", not \"" + text + "\"");
    return *value;
}

std::string rateText(double rate) {
    char text[32];
    std::snprintf(text, sizeof text, "x%g", rate);
    return text;
}

}  // namespace

std::string clockLine(const wire::ClockState& c) {
    std::string line = "clock: " + c.iso() + " (" + c.time_zone() + ")";
    if (c.real()) return line + ", real time";
    line += c.paused() ? ", paused" : ", running";
    return line + " at " + rateText(c.rate());
}

int clockVerb(const std::vector<std::string>& words) {
    Args args(words, {"tz"}, {});
    if (args.help()) return printUsage("clock");
    sim::Device device = bootedDevice(args);
    const auto& p = args.positionals();
    wire::ClockRequest change;
    const std::string what = p.size() > 1 ? p[1] : "show";
    auto expect = [&](std::size_t n, const char* form) {
        if (p.size() != n) throw UsageError(std::string("clock ") + what + " takes " + form);
    };
    if (args.option("tz") && what != "set") throw UsageError("--tz goes with set");
    if (what == "show") {
        expect(p.size() > 1 ? 2 : 1, "nothing more");
        change.mutable_show();
    } else if (what == "pause") {
        expect(2, "nothing more");
        change.mutable_pause();
    } else if (what == "resume") {
        expect(2, "nothing more");
        change.mutable_resume();
    } else if (what == "real") {
        expect(2, "nothing more");
        change.mutable_real();
    } else if (what == "set") {
        expect(3, "ISO, a date and time like 2027-03-28T01:59:58");
        change.set_set(p[2]);
        if (auto zone = args.option("tz")) change.set_time_zone(*zone);
    } else if (what == "advance") {
        expect(3, "DURATION, such as 90s, -1m, 1h or 2d");
        change.set_advance(durationOf(p[2]));
    } else if (what == "rate") {
        expect(3, std::string("N, ").append(kRates).c_str());
        change.set_rate(rateOf(p[2]));
    } else {
        throw UsageError("\"" + what + "\" is not one of show, pause, resume, set, advance, rate, real");
    }
    std::printf("%s\n", sim::terminalSafe(clockLine(ask(device, wire::clockRequest(change)).clock())).c_str());
    return 0;
}

int notifyVerb(const std::vector<std::string>& words) {
    Args args(words, {"app", "title", "body", "at"}, {"all"});
    if (args.help()) return printUsage("notify");
    sim::Device device = bootedDevice(args);
    const auto& p = args.positionals();
    const std::string what = p.size() > 1 ? p[1] : "list";
    const bool posting = args.option("app") || args.option("title") || args.option("body") || args.option("at");
    if (posting && what != "post") throw UsageError("--app, --title, --body and --at go with post");
    if (args.flag("all") && what != "clear") throw UsageError("--all goes with clear");
    wire::NotifyRequest request;
    if (what == "list") {
        if (p.size() > 2) throw UsageError("list takes nothing more");
        request.mutable_list();
    } else if (what == "post") {
        if (p.size() > 2) throw UsageError("post takes its text as --app, --title and --body");
        auto app = args.option("app");
        if (!app) throw UsageError("post needs --app NAME");
        wire::NotificationPost& post = *request.mutable_post();
        post.set_app(*app);
        post.set_title(args.option("title").value_or(""));
        post.set_body(args.option("body").value_or(""));
        post.set_at(args.option("at").value_or(""));
    } else if (what == "clear") {
        if (args.flag("all") == (p.size() == 3)) throw UsageError("clear takes one ID or --all");
        if (args.flag("all")) {
            request.mutable_clear_all();
        } else {
            auto id = ns::parseFiniteNumber(p[2]);
            if (!id || *id < 1 || *id > 4294967295.0 || *id != std::floor(*id))
                throw UsageError("ID \"" + p[2] + "\" is not a notification's number (notify DEVICE list shows them)");
            request.set_clear(static_cast<std::uint32_t>(*id));
        }
    } else {
        throw UsageError("\"" + what + "\" is not one of post, clear, list");
    }
    const wire::NotificationList list = ask(device, wire::notifyRequest(request)).notifications();
    if (what == "post" && list.notifications_size() > 0) {
        // The newest is the one just posted unless --at put it further back.
        std::printf("posted\n");
    }
    if (what != "list") return 0;
    for (const wire::Notification& n : list.notifications())
        std::printf("%u\t%s\t%s\t%s\t%s\n", n.id(), sim::terminalSafe(n.when()).c_str(), sim::terminalSafe(n.app()).c_str(),
                    sim::terminalSafe(n.title()).c_str(), sim::terminalSafe(n.body()).c_str());
    return 0;
}

}  // namespace cli
