// The package manager's reader on this build's package (about 3 MB packed,
// 10 MB unpacked): what an install or a watched reinstall costs before it
// writes anything.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "device/DebPackage.h"
#include "device/Install.h"

namespace {

void BM_ReadBuiltPackage(benchmark::State& state) {
    std::ifstream in(sim::builtOrvellePackage(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string package = bytes.str();
    if (package.empty()) {
        state.SkipWithError("the package is not built");
        return;
    }
    for (auto _ : state) {
        auto read = sim::readPackage(package);
        if (!read) state.SkipWithError(read.reason().c_str());
        benchmark::DoNotOptimize(read);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * package.size()));
}
BENCHMARK(BM_ReadBuiltPackage)->Unit(benchmark::kMillisecond);

}  // namespace
