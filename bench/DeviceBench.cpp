// A booted device's home screen killed with SIGKILL: the time until a new
// SpringBoard answers on its control socket, over 100 kills (mean, median and
// 95th percentile). And a command run in a booted device, its output relayed
// by the tool as `exec` runs it, against the same command given descriptors
// directly. One look of the disk watch at a device's files. Each runs on a
// device of its own made in a temporary folder, shut down and removed at the
// end of the run, also when it fails.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>
#include <filesystem>
#include <fstream>
#include <thread>

#include "device/Boot.h"
#include "device/Control.h"
#include "device/Create.h"
#include "device/DiskUse.h"
#include "device/TemporaryFolder.h"
#include "device/KeeperRecords.h"
#include "device/Sandbox.h"
#include "wire/Requests.h"
#include "BenchDevice.h"
#include "Percentile.h"

namespace {

namespace fs = std::filesystem;

// The host pid of the supervisor's child that is SpringBoard.
pid_t springBoardOf(pid_t supervisor) {
    std::ifstream children("/proc/" + std::to_string(supervisor) + "/task/" + std::to_string(supervisor) + "/children");
    pid_t child;
    while (children >> child) {
        std::ifstream comm("/proc/" + std::to_string(child) + "/comm");
        std::string name;
        if (comm >> name && name == "SpringBoard") return child;
    }
    return 0;
}

// Ctrl-C or a TERM during the run ends the kills; the device goes, then the
// signal takes its course.
volatile std::sig_atomic_t stopSignal = 0;
extern "C" void rememberStop(int signal) { stopSignal = signal; }

// Whether the keeper lists SpringBoard as up, waiting at most `timeout` seconds.
bool cameUp(const sim::Device& device, double timeout) {
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout);
    while (std::chrono::steady_clock::now() < until && !stopSignal) {
        if (auto list = sim::readProgramList(device))
            for (const auto& p : list->programs())
                if (p.name() == "SpringBoard" && p.up()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// 100 kills, each timed to the new SpringBoard's answer, on one device.
void BM_RestartAfterKill(benchmark::State& state) {
    struct sigaction stop {}, intWas {}, termWas {};
    stop.sa_handler = rememberStop;
    sigaction(SIGINT, &stop, &intWas);
    sigaction(SIGTERM, &stop, &termWas);
    std::vector<double> seconds;
    {
        std::optional<bench::BootedDevice> booted;
        try {
            booted.emplace();
        } catch (const std::exception& e) {
            state.SkipWithError((std::string("cannot boot a device here: ") + e.what()).c_str());
        }
        if (booted) {
            for (auto _ : state) {
                if (stopSignal) {
                    state.SkipWithError("stopped by a signal");
                    break;
                }
                pid_t old = springBoardOf(booted->supervisor());
                auto pidOf = [&](double timeout) -> std::optional<int> {
                    auto answer = sim::askSpringBoard(booted->device(), wire::pingRequest(), timeout);
                    if (!answer || !answer->has_pong()) return std::nullopt;
                    return answer->pong().pid();
                };
                auto before = pidOf(5);
                auto start = std::chrono::steady_clock::now();
                kill(old, SIGKILL);
                bool back = false;
                while (!back && !stopSignal && std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
                    auto now = pidOf(1);
                    back = now && now != before;
                    if (!back) std::this_thread::sleep_for(std::chrono::milliseconds(2));
                }
                if (!back) {
                    state.SkipWithError(stopSignal ? "stopped by a signal" : "SpringBoard did not come back within 20 s");
                    break;
                }
                double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                state.SetIterationTime(took);
                seconds.push_back(took);
                // Untimed: the next kill is a restart asked of a program that came up,
                // not a crash at its start, once its watchdog has heard it.
                if (!cameUp(booted->device(), 20)) {
                    state.SkipWithError("the keeper never saw the new SpringBoard come up within 20 s");
                    break;
                }
            }
        }
    }
    sigaction(SIGINT, &intWas, nullptr);
    sigaction(SIGTERM, &termWas, nullptr);
    if (stopSignal) raise(stopSignal);
    if (seconds.empty()) return;
    state.counters["median_ms"] = 1000 * bench::percentile(seconds, 0.5);
    state.counters["p95_ms"] = 1000 * bench::percentile(seconds, 0.95);
}
BENCHMARK(BM_RestartAfterKill)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);

// /bin/true joining a booted device, 50 times: relayed (range 1) as every
// command a person runs, or with /dev/null as its descriptors (range 0).
void BM_CommandInBootedDevice(benchmark::State& state) {
    std::optional<bench::BootedDevice> booted;
    try {
        booted.emplace();
    } catch (const std::exception& e) {
        state.SkipWithError((std::string("cannot boot a device here: ") + e.what()).c_str());
        return;
    }
    auto boot = sim::bootState(booted->device());
    std::vector<double> seconds;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        int code = 0;
        if (state.range(0)) {
            code = sim::runInDevice(booted->device(), {"/bin/true"});
        } else {
            sim::LaunchSpec spec;
            spec.entry = sim::Entry::Join;
            spec.booted = &*boot;
            spec.command = {"/bin/true"};
            code = sim::runToEnd(booted->device(), spec);
        }
        if (code != 0) {
            state.SkipWithError("the command failed");
            break;
        }
        double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(took);
        seconds.push_back(took);
    }
    if (seconds.empty()) return;
    state.counters["median_ms"] = 1000 * bench::percentile(seconds, 0.5);
    state.counters["p95_ms"] = 1000 * bench::percentile(seconds, 0.95);
}
BENCHMARK(BM_CommandInBootedDevice)->Arg(0)->Arg(1)->Iterations(50)->UseManualTime()->Unit(benchmark::kMillisecond);

// One look of the disk watch at a new device, as its keeper takes twice a
// second, and at one holding range(0) more small files.
void BM_DiskWatchLook(benchmark::State& state) {
    sim::TemporaryFolder folder("bench");
    sim::Device device(folder.path() / "device");
    sim::createDevice(device, {});
    for (long i = 0; i < state.range(0); ++i)
        std::ofstream(device.varFolder() / ("mobile/file." + std::to_string(i))) << "a few bytes";
    std::uint64_t entries = 0;
    for (auto _ : state) entries = sim::measureDiskUse(device, std::uint64_t{1} << 40).entries;
    state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_DiskWatchLook)->Arg(0)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
