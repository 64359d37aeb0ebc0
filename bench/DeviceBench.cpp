// A booted device's home screen killed with SIGKILL: the time until a new
// SpringBoard answers on its control socket, over 100 kills (median and 95th
// percentile). Runs on a device of its own made in a temporary folder.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "device/Boot.h"
#include "device/Control.h"
#include "device/Create.h"
#include "device/TemporaryFolder.h"

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

class BootedDevice {
public:
    BootedDevice() : folder_("bench"), device_(folder_.path() / "device") {
        sim::createDevice(device_, sim::Profile{});
        state_ = sim::boot(device_, sim::BootOptions{});
    }
    ~BootedDevice() { sim::shutdown(device_); }
    const sim::Device& device() const { return device_; }
    pid_t supervisor() const { return state_.supervisor; }

private:
    sim::TemporaryFolder folder_;
    sim::Device device_;
    sim::BootState state_;
};

void BM_RestartAfterKill(benchmark::State& state) {
    static BootedDevice* booted = [] {
        try {
            return new BootedDevice;
        } catch (const std::exception&) {
            return static_cast<BootedDevice*>(nullptr);
        }
    }();
    if (!booted) {
        state.SkipWithError("cannot boot a device here (build the sim targets; orvelle-sim's walls need bubblewrap)");
        return;
    }
    for (auto _ : state) {
        pid_t old = springBoardOf(booted->supervisor());
        auto before = sim::askSpringBoard(booted->device(), "pid", 5);
        auto start = std::chrono::steady_clock::now();
        kill(old, SIGKILL);
        while (true) {
            auto now = sim::askSpringBoard(booted->device(), "pid", 1);
            if (now && now != before) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (std::chrono::steady_clock::now() - start > std::chrono::seconds(20)) {
                state.SkipWithError("SpringBoard did not come back within 20 s");
                return;
            }
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}
BENCHMARK(BM_RestartAfterKill)
    ->Iterations(1)
    ->Repetitions(100)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("p95",
                        [](const std::vector<double>& v) {
                            std::vector<double> s = v;
                            std::sort(s.begin(), s.end());
                            return s[std::min(s.size() - 1, static_cast<std::size_t>(0.95 * s.size()))];
                        })
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
