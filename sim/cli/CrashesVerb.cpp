// crashes: the crash reports a device keeps, newest first, or one of them whole.
#include <algorithm>
#include <cstdio>
#include <sstream>

#include "Args.h"
#include "Verbs.h"
#include "device/TerminalText.h"
#include "crash/CrashNote.h"
#include "device/DeviceFiles.h"
#include "wire/Failure.h"

namespace cli {

namespace {

std::filesystem::path reportFolder(const sim::Device& device) {
    return device.varFolder() / std::filesystem::path(crash::kReportFolder).lexically_relative("/var");
}

// A report is text of the device's making: at most this much of it is shown.
constexpr std::size_t kLongestReport = 1024 * 1024;

}  // namespace

std::vector<std::string> crashReportNames(const sim::Device& device) {
    auto names = sim::DeviceFiles(device).list(reportFolder(device));
    if (!names) throw sim::Failure(names.reason());
    std::vector<std::string> reports;
    for (const auto& n : *names)
        if (n.size() > 6 && n.ends_with(".crash")) reports.push_back(n);
    // Names hold the time (Program-YYYY-MM-DD-HHMMSS-pid): newest first.
    std::sort(reports.begin(), reports.end(), [](const std::string& a, const std::string& b) {
        auto when = [](const std::string& n) { return n.substr(n.find('-') + 1); };
        return when(a) > when(b);
    });
    return reports;
}

std::string crashReportText(const sim::Device& device, const std::string& name) {
    if (name.find('/') != std::string::npos || !name.ends_with(".crash"))
        throw sim::Failure("\"" + name + "\" is not the name of a crash report");
    auto text = sim::DeviceFiles(device).read(reportFolder(device) / name, kLongestReport);
    if (!text) throw sim::Failure(text.reason());
    return *text;
}

int crashesVerb(const std::vector<std::string>& words) {
    Args args(words, {}, {});
    if (args.help()) return printUsage("crashes");
    if (args.positionals().empty()) throw UsageError("missing DEVICE");
    if (args.positionals().size() > 2) throw UsageError("unexpected argument \"" + args.positionals()[2] + "\"");
    sim::Device device(args.positionals()[0]);
    device.requireExists();
    if (args.positionals().size() == 2) {
        std::fputs(sim::terminalSafe(crashReportText(device, args.positionals()[1]), sim::Lines::Many).c_str(), stdout);
        return 0;
    }
    auto names = crashReportNames(device);
    if (names.empty()) std::printf("no crash reports\n");
    for (const auto& name : names) {
        std::printf("%s\n", sim::terminalSafe(name).c_str());
        // Its header: what crashed, when, how, with which tweaks.
        std::istringstream in(crashReportText(device, name));
        std::string line;
        for (int i = 0; i < 5 && std::getline(in, line); ++i) std::printf("  %s\n", sim::terminalSafe(line).c_str());
    }
    return 0;
}

}  // namespace cli
