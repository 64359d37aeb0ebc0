// dump, screenshot, media, touch and weather: the lock screen of a device.
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <cmath>
#include <cstdio>
#include <thread>

#include <nlohmann/json.hpp>

#include "foundation/Conversions.h"
#include "Args.h"
#include "DeviceOps.h"
#include "OneShot.h"
#include "Verbs.h"
#include "device/Boot.h"
#include "device/Control.h"
#include "device/DeviceFiles.h"
#include "dump/DeviceDump.h"
#include "wire/Failure.h"
#include "foundation/FileReplace.h"
#include "wire/InsidePaths.h"
#include "weather/WeatherRecord.h"
#include "wire/Requests.h"

namespace cli {

namespace {

constexpr double kLongestHold = 60;
constexpr long kMostSteps = 1000;

sim::Device deviceOf(const Args& args, std::size_t positionals, const char* names) {
    args.expectPositionals(positionals, names);
    sim::Device device(args.positionals()[0]);
    device.requireExists();
    return device;
}

double coordinate(const std::string& word, const char* what) {
    auto value = ns::parseFiniteNumber(word);
    if (!value) throw UsageError(std::string(what) + " \"" + word + "\" is not a number");
    return *value;
}

std::string touched(const sim::Device& device, wire::Touch::Phase phase, double x, double y) {
    return ask(device, wire::touchRequest(phase, x, y)).touched();
}

// --NAME sets a weather value, --no-NAME clears it, neither keeps it.
void changeWeather(const Args& args, const std::string& name, weather::Value& value) {
    auto given = args.option(name);
    bool cleared = args.flag("no-" + name);
    if (given && cleared) throw UsageError("--" + name + " and --no-" + name + " contradict each other");
    if (cleared) value.reset();
    else if (given) value = *given;
}

// The one-shot options are for a stopped device; a booted one shows what it shows.
void requireLive(const Args& args) {
    if (args.option("at") || args.option("run") || args.option("locale") || args.option("tz") || args.option("log"))
        throw UsageError("--at, --run, --locale, --tz and --log are for a stopped device; this one is booted");
}

OneShotOptions oneShotOptions(const Args& args) {
    OneShotOptions options;
    options.at = args.option("at").value_or("");
    options.run = args.option("run").value_or("2");
    options.locale = args.option("locale").value_or("");
    options.timeZone = args.option("tz").value_or("");
    options.logFile = args.option("log").value_or("");
    return options;
}

void pauseFor(double seconds) { std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long>(seconds * 1e6))); }

}  // namespace

int dumpVerb(const std::vector<std::string>& words) {
    Args args(words, {"at", "run", "locale", "tz", "log"}, {});
    if (args.help()) return printUsage("dump");
    sim::Device device = deviceOf(args, 1, "DEVICE");
    std::string text = sim::bootState(device) ? (requireLive(args), ask(device, wire::dumpRequest()).dump())
                                              : oneShotDump(device, oneShotOptions(args));
    nlohmann::ordered_json document = nlohmann::ordered_json::parse(text, nullptr, false);
    if (document.is_discarded()) throw sim::Failure("SpringBoard's dump is not JSON: " + text.substr(0, 200));
    std::printf("%s\n", dump::documentText(document, 2).c_str());
    return 0;
}

int screenshotVerb(const std::vector<std::string>& words) {
    Args args(words, {"at", "run", "locale", "tz", "log"}, {});
    if (args.help()) return printUsage("screenshot");
    sim::Device device = deviceOf(args, 2, "DEVICE FILE.png");
    std::filesystem::path file = args.positionals()[1];
    if (file.extension() != ".png") throw UsageError("\"" + file.string() + "\" does not end in .png");
    if (!sim::bootState(device)) {
        oneShotScreenshot(device, oneShotOptions(args), file.string());
        return 0;
    }
    requireLive(args);
    // SpringBoard writes into the device's run folder, which both sides see.
    std::string name = "screenshot-" + std::to_string(getpid()) + ".png";
    ask(device, wire::screenshotRequest(std::string(sim::inside::kRunFolder) + "/" + name));
    sim::DeviceFiles files(device);
    auto png = files.read(device.runFolder() / name);
    (void)files.remove(device.runFolder() / name);
    if (!png) throw sim::Failure(png.reason());
    if (auto written = ns::replaceFile(file, *png); !written) throw sim::Failure(written.reason());
    return 0;
}

int mediaVerb(const std::vector<std::string>& words) {
    Args args(words, {}, {});
    if (args.help()) return printUsage("media");
    sim::Device device = deviceOf(args, 2, "DEVICE play|stop");
    const std::string& what = args.positionals()[1];
    if (what != "play" && what != "stop") throw UsageError("\"" + what + "\" is neither play nor stop");
    ask(device, wire::mediaRequest(what == "play" ? wire::Media::PLAY : wire::Media::STOP));
    return 0;
}

int touchVerb(const std::vector<std::string>& words) {
    Args args(words, {"hold", "steps"}, {});
    if (args.help()) return printUsage("touch");
    if (args.positionals().size() < 2) throw UsageError("missing DEVICE and press or drag");
    const std::string& kind = args.positionals()[1];
    if (kind == "press") {
        sim::Device device = deviceOf(args, 4, "DEVICE press X Y");
        if (args.option("steps")) throw UsageError("--steps goes with drag");
        double x = coordinate(args.positionals()[2], "X"), y = coordinate(args.positionals()[3], "Y");
        double hold = 0.1;
        if (auto h = args.option("hold")) hold = coordinate(*h, "--hold");
        if (!(hold >= 0 && hold <= kLongestHold)) throw UsageError("--hold must lie between 0 and 60 seconds");
        std::string hit = touched(device, wire::Touch::DOWN, x, y);
        // The device's run loop runs meanwhile, so a long press fires while the finger is down.
        pauseFor(hold);
        touched(device, wire::Touch::UP, x, y);
        std::printf("pressed %s\n", hit.c_str());
        return 0;
    }
    if (kind == "drag") {
        sim::Device device = deviceOf(args, 6, "DEVICE drag X1 Y1 X2 Y2");
        if (args.option("hold")) throw UsageError("--hold goes with press");
        double x1 = coordinate(args.positionals()[2], "X1"), y1 = coordinate(args.positionals()[3], "Y1");
        double x2 = coordinate(args.positionals()[4], "X2"), y2 = coordinate(args.positionals()[5], "Y2");
        long steps = 10;
        if (auto s = args.option("steps")) {
            double n = coordinate(*s, "--steps");
            if (n < 1 || n > kMostSteps || n != std::floor(n)) throw UsageError("--steps must be a whole number from 1 to 1000");
            steps = static_cast<long>(n);
        }
        std::string hit = touched(device, wire::Touch::DOWN, x1, y1);
        for (long i = 1; i <= steps; ++i) {
            double f = static_cast<double>(i) / static_cast<double>(steps);
            touched(device, wire::Touch::MOVE, x1 + (x2 - x1) * f, y1 + (y2 - y1) * f);
        }
        std::string result = touched(device, wire::Touch::UP, x2, y2);
        std::printf("dragged %s%s\n", hit.c_str(), result == "ok" ? "" : ("; " + result).c_str());
        return 0;
    }
    throw UsageError("\"" + kind + "\" is neither press nor drag");
}

int weatherVerb(const std::vector<std::string>& words) {
    Args args(words, {"temperature", "location", "conditions", "icon"},
              {"no-temperature", "no-location", "no-conditions", "no-icon"});
    if (args.help()) return printUsage("weather");
    sim::Device device = deviceOf(args, 1, "DEVICE");
    if (auto v = args.option("icon"); v && !weather::isKnownIcon(*v))
        throw UsageError("--icon \"" + *v + "\" is not one of sun, cloud, rain, snow");
    weather::Record record = weatherOf(device);
    changeWeather(args, "temperature", record.temperature);
    changeWeather(args, "location", record.location);
    changeWeather(args, "conditions", record.conditions);
    changeWeather(args, "icon", record.icon);
    std::string reply = applyWeather(device, record);
    if (!reply.empty()) std::printf("%s\n", reply.c_str());
    return 0;
}

}  // namespace cli
