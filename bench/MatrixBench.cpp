// The matrix's default run, as a user runs it: every phone screen on 10 and
// 11, both styles, three locales, drawn with as many jobs as the machine has
// cores. Goal: at most 0.25 s of wall time a shot a core. The run's output
// goes to a temporary folder, removed at the end.
#include <benchmark/benchmark.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "Command.h"
#include "nlohmann/json.hpp"

namespace {

// Processor seconds of the processes this one waited for.
double childrenCpu() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_DefaultMatrix(benchmark::State& state) {
    cpu_set_t set;
    int cores = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 1;
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-matrix-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        state.SkipWithError("cannot make a temporary folder");
        return;
    }
    const std::filesystem::path folder = pattern;
    double seconds = 0, cpu = 0;
    std::size_t shots = 0;
    for (auto _ : state) {
        std::filesystem::path out = folder / "out";
        std::filesystem::remove_all(out);
        auto start = std::chrono::steady_clock::now();
        const double cpuBefore = childrenCpu();
        Output run = sim({"matrix", out.string()});
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu = childrenCpu() - cpuBefore;
        state.SetIterationTime(seconds);
        auto report = nlohmann::json::parse(readFile(out / "report.json"), nullptr, false);
        if (run.exitCode != 0 || report.is_discarded()) {
            state.SkipWithError(("the matrix failed: " + run.err + run.out).c_str());
            break;
        }
        shots = report["shots"].size();
    }
    std::filesystem::remove_all(folder);
    state.counters["shots"] = static_cast<double>(shots);
    state.counters["cores"] = cores;
    state.counters["s_a_shot_a_core"] = shots ? seconds * cores / static_cast<double>(shots) : 0;
    // What the shots cost in processor time, whatever else the machine runs.
    state.counters["cpu_s_a_shot"] = shots ? cpu / static_cast<double>(shots) : 0;
}
BENCHMARK(BM_DefaultMatrix)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
