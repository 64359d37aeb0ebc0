#include "OneShot.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "device/BuildTree.h"
#include "device/DeviceCopy.h"
#include "device/DeviceFiles.h"
#include "device/DeviceLog.h"
#include "wire/DeviceModels.h"
#include "device/DeviceUser.h"
#include "wire/Failure.h"
#include "device/FileCopy.h"
#include "wire/InsidePaths.h"
#include "device/Process.h"
#include "wire/Profile.h"
#include "device/Sandbox.h"
#include "device/TemporaryFolder.h"
#include "foundation/FileReplace.h"

namespace cli {

namespace fs = std::filesystem;

namespace {

// Beyond the virtual run itself, what a headless start may take.
constexpr double kStartAllowance = 60;

// A copy of the device's files, removed with everything in it.
class ScratchCopy {
public:
    explicit ScratchCopy(const sim::Device& device) : folder_("dump") {
        sim::copyDevice(device, device_());
        device_().makeLayout();
        sim::giveToDeviceUser(device_());
    }
    sim::Device device() const { return device_(); }

private:
    sim::Device device_() const { return sim::Device(folder_.path()); }
    sim::TemporaryFolder folder_;
};

int waitWithDeadline(pid_t child, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
    int status = 0;
    while (true) {
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) return sim::exitCodeOf(status);
        if (done < 0 && errno != EINTR) return 127;
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return -1;
        }
        // Short: a matrix waits on one run after another.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}


// Runs the headless SpringBoard on a copy of the device with `outputs` (its
// --dump/--screenshot arguments, paths inside the device's run folder), then
// hands the copy to `collect` before it goes.
void runHeadless(const sim::Device& device, const OneShotOptions& options, const std::vector<std::string>& outputs,
                 const std::function<void(const sim::Device& copy)>& collect) {
    device.requireExists();
    sim::Profile profile = sim::readProfile(device.profileFile());
    sim::DeviceChoice overrides;
    if (!options.locale.empty()) overrides.locale = options.locale;
    if (!options.timeZone.empty()) overrides.timeZone = options.timeZone;
    if (auto checked = sim::chooseDevice(profile, overrides); !checked) throw sim::Failure(checked.reason());
    fs::path springBoard = sim::binFolder() / "SpringBoard";
    std::error_code ec;
    if (!fs::is_regular_file(springBoard, ec)) throw sim::Failure(springBoard.string() + " is missing (build the sim targets first)");
    char* end = nullptr;
    double runSeconds = std::strtod(options.run.c_str(), &end);
    if (end == options.run.c_str() || *end || !(runSeconds >= 0) || runSeconds > 86400)
        throw sim::Failure("--run \"" + options.run + "\" is not a number of seconds from 0 to 86400");

    ScratchCopy scratch(device);
    sim::Device copy = scratch.device();
    std::vector<std::string> command{springBoard.string(), "--run", options.run};
    command.insert(command.end(), outputs.begin(), outputs.end());
    if (!options.at.empty()) command.insert(command.end(), {"--at", options.at});

    if (options.prepare) options.prepare(copy);

    int log = open(copy.logFile().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (log < 0) sim::failWithErrno("cannot open " + copy.logFile().string());
    int devnull = open("/dev/null", O_RDONLY | O_CLOEXEC);
    sim::LaunchSpec sandbox;
    sandbox.entry = sim::Entry::Fresh;
    sandbox.command = command;
    sandbox.workingFolder = "/";
    sandbox.environment = sim::deviceEnvironment(profile, options.locale, options.timeZone);
    sandbox.stdinFd = devnull;
    sandbox.stdoutFd = log;
    sandbox.stderrFd = log;
    pid_t child;
    try {
        child = sim::launch(copy, sandbox);
    } catch (...) {
        close(log);
        if (devnull >= 0) close(devnull);
        throw;
    }
    close(log);
    if (devnull >= 0) close(devnull);
    int code = waitWithDeadline(child, runSeconds + kStartAllowance);
    if (!options.logFile.empty()) {
        auto log = sim::DeviceFiles(copy).read(copy.logFile());
        if (!log) throw sim::Failure(log.reason());
        if (auto written = ns::replaceFile(options.logFile, *log); !written) throw sim::Failure(written.reason());
    }
    if (code != 0)
        throw sim::Failure(code < 0 ? "the headless SpringBoard did not finish in time; last log line: " + sim::lastLogLine(copy)
                                    : "the headless SpringBoard failed (exit " + std::to_string(code) +
                                          "): " + sim::lastLogLine(copy));
    if (options.keep) options.keep(copy);
    collect(copy);
}

}  // namespace

namespace {

std::string collectDump(const sim::Device& copy) {
    auto text = sim::DeviceFiles(copy).read(copy.runFolder() / "dump.json");
    if (!text)
        throw sim::Failure("the headless SpringBoard wrote no dump (" + text.reason() + "); last log line: " + sim::lastLogLine(copy));
    std::string json = std::move(*text);
    while (!json.empty() && (json.back() == '\n' || json.back() == '\r')) json.pop_back();
    if (json.empty()) throw sim::Failure("the headless SpringBoard wrote no dump; last log line: " + sim::lastLogLine(copy));
    return json;
}

void collectScreenshot(const sim::Device& copy, const std::string& pngFile,
                       ns::Durability durability = ns::Durability::Flushed) {
    auto png = sim::DeviceFiles(copy).read(copy.runFolder() / "screenshot.png");
    if (!png)
        throw sim::Failure("the headless SpringBoard wrote no screenshot (" + png.reason() +
                           "); last log line: " + sim::lastLogLine(copy));
    if (auto written = ns::replaceFile(pngFile, *png, durability); !written) throw sim::Failure(written.reason());
}

const std::string kDumpInside = std::string(sim::inside::kRunFolder) + "/dump.json";
const std::string kScreenshotInside = std::string(sim::inside::kRunFolder) + "/screenshot.png";

}  // namespace

std::string oneShotDump(const sim::Device& device, const OneShotOptions& options) {
    std::string json;
    runHeadless(device, options, {"--dump", kDumpInside}, [&](const sim::Device& copy) { json = collectDump(copy); });
    return json;
}

void oneShotScreenshot(const sim::Device& device, const OneShotOptions& options, const std::string& pngFile) {
    runHeadless(device, options, {"--screenshot", kScreenshotInside},
                [&](const sim::Device& copy) { collectScreenshot(copy, pngFile); });
}

std::string oneShotDumpAndScreenshot(const sim::Device& device, const OneShotOptions& options, const std::string& pngFile) {
    std::string json;
    runHeadless(device, options, {"--dump", kDumpInside, "--screenshot", kScreenshotInside}, [&](const sim::Device& copy) {
        json = collectDump(copy);
        // One of many, drawn again as easily: not flushed to the disk one by one.
        collectScreenshot(copy, pngFile, ns::Durability::Quick);
    });
    return json;
}

}  // namespace cli
