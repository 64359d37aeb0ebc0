// The package journal's reader under libFuzzer: arbitrary bytes as the plan
// a package change wrote down, refused with a failure or read whole.
#include <cstddef>
#include <cstdint>
#include <string>

#include "PackageJournal.h"
#include "wire/Failure.h"

namespace {
volatile std::size_t sink;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        sim::pkg::Plan plan = sim::pkg::parsePlan(std::string(reinterpret_cast<const char*>(data), size), "fuzz/plan");
        for (const auto& s : plan.saved) sink = s.path.size() + s.mode;
        sink = plan.folders.size() + plan.drop.size() + plan.scripts.size() + plan.list;
    } catch (const sim::Failure& e) {
        sink = std::string(e.what()).size();
    }
    return 0;
}
