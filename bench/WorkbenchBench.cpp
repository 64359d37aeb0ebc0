// The device's clock in hand, on a booted device watched as the page watches
// it (the screen pushed on SpringBoard's connection):
// - from a `clock set` request to the first pushed frame that shows the new
//   time (each frame says the device's time it was drawn at), median and 95th
//   percentile;
// - the clock run at x3600 for 10 s: SpringBoard's CPU time (share of one
//   core), its wake-ups a second and the frames it pushed a second (each new
//   device minute on screen at most once per frame).
#include <benchmark/benchmark.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "BenchDevice.h"
#include "Percentile.h"
#include "foundation/Process.h"
#include "foundation/RunLoop.h"
#include "foundation/Timer.h"
#include "session/SpringBoardSession.h"
#include "wire/Requests.h"

namespace {

const char* const kPanelOn =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>enableOVS</key><true/></dict></plist>)";

double steadyNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string isoUtc(double seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm f{};
    gmtime_r(&t, &f);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &f);
    return text;
}

// The host's pid of the device's SpringBoard: the process of that name under its supervisor.
std::optional<pid_t> springBoardOf(pid_t supervisor) {
    std::map<pid_t, std::pair<pid_t, std::string>> all;  // pid: parent, name
    DIR* proc = opendir("/proc");
    if (!proc) return std::nullopt;
    while (dirent* e = readdir(proc)) {
        pid_t pid = static_cast<pid_t>(std::atoi(e->d_name));
        if (pid <= 0) continue;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        auto open = text.find('('), close = text.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        std::istringstream rest(text.substr(close + 2));
        char state;
        pid_t parent = 0;
        rest >> state >> parent;
        all[pid] = {parent, text.substr(open + 1, close - open - 1)};
    }
    closedir(proc);
    for (const auto& [pid, entry] : all) {
        if (entry.second != "SpringBoard") continue;
        for (pid_t up = entry.first; up > 1 && all.count(up); up = all[up].first)
            if (up == supervisor) return pid;
    }
    return std::nullopt;
}

struct Usage {
    double cpuSeconds = 0;
    long wakeups = 0;
};

Usage usageOf(pid_t pid) {
    Usage u;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream rest(text.substr(text.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i)
        if (i == 14 || i == 15) ticks += std::stol(field);  // utime, stime
    u.cpuSeconds = static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0) u.wakeups = std::stol(line.substr(24));
    return u;
}

// A booted device with the panel on, watched: the device's time of each frame pushed.
struct Watched {
    bench::BootedDevice booted{sim::Profile{}, kPanelOn};
    session::SpringBoardSession session{booted.device()};
    double shown = 0;       // the newest frame's device time
    std::size_t frames = 0;
    double waitingFor = -1;  // stops the loop once a frame shows this time

    Watched() {
        session.watch({[this](session::Screen s) {
                           wire::ToPage page;
                           if (!page.ParseFromString(s.message)) return;
                           shown = page.screen().clock();
                           ++frames;
                           if (waitingFor >= 0 && shown >= waitingFor) ns::RunLoop::main().stop();
                       },
                       {}});
    }
    bool ask(const wire::ClockRequest& change) {
        bool ok = false;
        session.request(wire::clockRequest(change), [&](ns::Result<wire::Answer> a) {
            ok = a && a->has_clock();
            ns::RunLoop::main().stop();
        });
        ns::RunLoop::main().run(10);
        return ok;
    }
    // Runs the loop until a frame shows `t` or `seconds` pass; whether one did.
    bool until(double t, double seconds) {
        waitingFor = t;
        if (shown < t) ns::RunLoop::main().run(seconds);
        waitingFor = -1;
        return shown >= t;
    }
};

void BM_ClockSetToFrameShowingIt(benchmark::State& state) {
    std::optional<Watched> w;
    try {
        w.emplace();
    } catch (const std::exception& e) {
        state.SkipWithError((std::string("cannot boot a device here: ") + e.what()).c_str());
        return;
    }
    wire::ClockRequest pause;
    pause.mutable_pause();
    if (!w->ask(pause) || !w->until(1, 10)) return state.SkipWithError("the device never pushed its screen");
    std::vector<double> seconds;
    double target = 1830340800;  // 2028-01-01T12:00:00Z, then an hour and a minute further each time
    for (auto _ : state) {
        target += 3660;
        wire::ClockRequest set;
        set.set_set(isoUtc(target));
        const double start = steadyNow();
        w->session.request(wire::clockRequest(set), [](ns::Result<wire::Answer>) {});
        if (!w->until(target, 5)) {
            state.SkipWithError("no frame showed the new time within 5 s");
            break;
        }
        const double took = steadyNow() - start;
        state.SetIterationTime(took);
        seconds.push_back(took);
    }
    if (seconds.empty()) return;
    state.counters["median_ms"] = 1000 * bench::percentile(seconds, 0.5);
    state.counters["p95_ms"] = 1000 * bench::percentile(seconds, 0.95);
}
BENCHMARK(BM_ClockSetToFrameShowingIt)->Iterations(50)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_HourASecondFor10Seconds(benchmark::State& state) {
    std::optional<Watched> w;
    try {
        w.emplace();
    } catch (const std::exception& e) {
        state.SkipWithError((std::string("cannot boot a device here: ") + e.what()).c_str());
        return;
    }
    if (!w->until(1, 10)) return state.SkipWithError("the device never pushed its screen");
    auto pid = springBoardOf(w->booted.supervisor());
    if (!pid) return state.SkipWithError("SpringBoard's process was not found under the supervisor");
    for (auto _ : state) {
        wire::ClockRequest fast;
        fast.set_rate(3600);
        const Usage before = usageOf(*pid);
        const std::size_t framesBefore = w->frames;
        const double start = steadyNow();
        if (!w->ask(fast)) return state.SkipWithError("the device refused x3600");
        ns::RunLoop::main().run(10);
        const double took = steadyNow() - start;
        const Usage after = usageOf(*pid);
        wire::ClockRequest normal;
        normal.set_rate(1);
        w->ask(normal);
        state.SetIterationTime(took);
        state.counters["cpu_share_of_a_core"] = (after.cpuSeconds - before.cpuSeconds) / took;
        state.counters["wakeups_per_s"] = static_cast<double>(after.wakeups - before.wakeups) / took;
        state.counters["frames_per_s"] = static_cast<double>(w->frames - framesBefore) / took;
    }
}
BENCHMARK(BM_HourASecondFor10Seconds)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
