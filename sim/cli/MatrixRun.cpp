#include "MatrixRun.h"

#include <cstdio>
#include <functional>
#include <map>

#include "OneShot.h"
#include "device/Create.h"
#include "device/DeviceFiles.h"
#include "device/Packages.h"
#include "device/TemporaryFolder.h"
#include "foundation/RegularFile.h"
#include "foundation/RunLoop.h"
#include "matrix/BoundedJson.h"
#include "matrix/Output.h"
#include "session/Job.h"
#include "wire/Failure.h"
#include "wire/Profile.h"

namespace cli {

namespace fs = std::filesystem;

namespace {

// Runs `work(i)` for every i below `count` in jobs, at most `most` at once,
// on the main run loop; answers each one's outcome.
std::vector<ns::Result<std::string>> inJobs(std::size_t count, int most, const std::string& what,
                                            const std::function<std::string(std::size_t)>& work) {
    std::vector<ns::Result<std::string>> outcomes(count, ns::Result<std::string>(std::string()));
    if (count == 0) return outcomes;
    session::Jobs jobs;
    std::size_t next = 0, finished = 0;
    int active = 0;
    std::function<void()> startMore = [&] {
        while (active < most && next < count) {
            std::size_t i = next++;
            ++active;
            jobs.start(what + " " + std::to_string(i + 1), [&work, i] { return work(i); },
                       [&, i](ns::Result<std::string> outcome) {
                           outcomes[i] = std::move(outcome);
                           --active;
                           if (++finished == count) ns::RunLoop::main().stop();
                           else startMore();
                       });
        }
    };
    startMore();
    ns::RunLoop::main().run();
    return outcomes;
}

// The font library's cache of the machine's fonts, made by a first run in the
// device's home and kept in the device, so no shot scans every font again.
void warmFontCache(const sim::Device& device) {
    OneShotOptions options;
    options.run = "0";
    options.keep = [&](const sim::Device& copy) {
        sim::DeviceFiles from(copy), to(device);
        for (const char* folder : {"var/cache/fontconfig", "var/mobile/.cache/fontconfig"}) {
            auto names = from.list(copy.folder() / folder, 256);
            if (!names) continue;
            for (const std::string& name : *names) {
                auto bytes = from.read(copy.folder() / folder / name);
                if (bytes) (void)to.replace(device.folder() / folder / name, *bytes);
            }
        }
    };
    (void)oneShotDump(device, options);
}

std::string baseKey(const matrix::Combination& c) { return c.model + "-" + c.version + "-" + c.screen(); }

// A device of the combination's model, version and screen with this build's
// packages and the run's.
void makeBase(const fs::path& folder, const matrix::Combination& c, const MatrixRun& run) {
    sim::Profile profile;
    profile.model = c.model;
    profile.systemVersion = c.version;
    profile.screenWidth = c.width;
    profile.screenHeight = c.height;
    profile.screenScale = c.scale;
    sim::Device device(folder);
    auto result = sim::createDevice(device, profile);
    if (!result.notBuilt.empty()) throw sim::Failure(result.notBuilt.front() + " is not built");
    for (const fs::path& package : run.packages) sim::installPackage(device, package);
    warmFontCache(device);
}

}  // namespace

matrix::Report runMatrix(const MatrixRun& run) {
    if (auto made = matrix::makeOutputFolders(run.out); !made) throw sim::Failure(made.reason());
    sim::TemporaryFolder work("matrix");

    std::vector<matrix::Combination> bases;
    std::map<std::string, fs::path> baseFolders;
    for (const matrix::Combination& c : run.shots)
        if (baseFolders.emplace(baseKey(c), work.path() / ("base-" + std::to_string(bases.size()))).second)
            bases.push_back(c);
    auto made = inJobs(bases.size(), run.jobs, "making a device", [&](std::size_t i) {
        makeBase(baseFolders[baseKey(bases[i])], bases[i], run);
        return std::string();
    });
    for (std::size_t i = 0; i < bases.size(); ++i)
        if (!made[i]) throw sim::Failure("cannot make the " + baseKey(bases[i]) + " device: " + made[i].reason());

    auto drawn = inJobs(run.shots.size(), run.jobs, "a shot", [&](std::size_t i) {
        return drawShot(baseFolders[baseKey(run.shots[i])], run.shots[i], run);
    });
    matrix::Report report;
    report.plan = run.plan;
    report.shard = run.shard;
    for (std::size_t i = 0; i < run.shots.size(); ++i) {
        matrix::Shot shot;
        shot.combination = run.shots[i];
        if (!drawn[i]) {
            shot.error = drawn[i].reason();
        } else {
            auto record = matrix::shotFromJson(*drawn[i], run.shots[i]);
            if (record) shot = std::move(*record);
            else shot.error = "its record cannot be read: " + record.reason();
        }
        report.shots.push_back(std::move(shot));
    }
    return report;
}

}  // namespace cli
