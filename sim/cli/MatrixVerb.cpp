// matrix: every device at once, one-shot, with the layout check; and the
// merge of its shards.
#include <sched.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <set>

#include "Args.h"
#include "MatrixRun.h"
#include "Verbs.h"
#include "device/TerminalText.h"
#include "dump/IsoTime.h"
#include "matrix/Output.h"
#include "wire/Failure.h"

namespace cli {

namespace fs = std::filesystem;

namespace {

// The shots' instant unless --at says another: fixed, so that any two runs
// draw the same pixels and a baseline stays one.
constexpr const char* kDefaultInstant = "2026-12-07T21:05:02Z";

int cores() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return 1;
}

// The processor time of the tool and every process it waited for (the
// devices' programs included), in seconds.
double cpuSeconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        if (getrusage(who, &usage) != 0) continue;
        total += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

std::vector<std::string> listOption(const Args& args, const char* name) {
    std::vector<std::string> all;
    for (const std::string& value : args.optionValues(name))
        for (const std::string& item : matrix::splitList(value)) {
            if (item.empty()) throw UsageError(std::string("--") + name + " \"" + value + "\" has an empty item");
            all.push_back(item);
        }
    return all;
}

int jobsOf(const Args& args) {
    auto text = args.option("jobs");
    // A shot waits as much as it works (its sandbox starting, its files
    // copied): two a core keep the cores busy.
    if (!text) return 2 * cores();
    int jobs = 0;
    try {
        std::size_t used = 0;
        jobs = std::stoi(*text, &used);
        if (used != text->size()) jobs = 0;
    } catch (const std::exception&) {
        jobs = 0;
    }
    if (jobs < 1 || jobs > 256) throw UsageError("--jobs \"" + *text + "\" is not a number from 1 to 256");
    return jobs;
}

// What the run is asked, resolved: the plan written in every shard's report.
MatrixRun runOf(const Args& args) {
    MatrixRun run;
    run.out = args.positionals()[0];
    matrix::MatrixChoice choice{listOption(args, "screens"), listOption(args, "versions"), listOption(args, "styles"),
                                listOption(args, "locales")};
    auto all = matrix::combinations(choice);
    if (!all) throw UsageError(all.reason());
    // The plan lists every value in full, as the combinations resolved them.
    auto unique = [](std::vector<std::string>& list, const std::string& value) {
        if (std::find(list.begin(), list.end(), value) == list.end()) list.push_back(value);
    };
    for (const matrix::Combination& c : *all) {
        unique(run.plan.choice.screens, c.screen());
        unique(run.plan.choice.versions, c.version);
        unique(run.plan.choice.styles, c.style);
        unique(run.plan.choice.locales, c.locale);
    }
    run.plan.at = args.option("at").value_or(kDefaultInstant);
    if (!dump::parseIsoTime(run.plan.at)) throw UsageError("--at \"" + run.plan.at + "\" is not an ISO 8601 instant");
    for (const std::string& setting : args.optionValues("set")) {
        if (!parseSetting(setting)) throw UsageError("--set \"" + setting + "\" is not KEY=VALUE");
        run.plan.settings.push_back(setting);
    }
    for (const std::string& package : args.optionValues("packages")) {
        std::error_code ec;
        if (!fs::is_regular_file(package, ec)) throw UsageError("--packages \"" + package + "\" is not a package file");
        run.packages.push_back(fs::absolute(package));
        run.plan.packages.push_back(fs::path(package).filename().string());
    }
    if (auto shard = args.option("shard")) {
        auto parsed = matrix::parseShard(*shard);
        if (!parsed) throw UsageError(parsed.reason());
        run.shard = *parsed;
    }
    if (auto baseline = args.option("compare")) {
        std::error_code ec;
        if (!fs::is_regular_file(fs::path(*baseline) / matrix::kReportFile, ec))
            throw UsageError("--compare \"" + *baseline + "\" is not the output folder of a matrix (it has no report.json)");
        run.baseline = fs::absolute(*baseline);
        if (fs::equivalent(*run.baseline, run.out, ec))
            throw UsageError("--compare names OUT itself; a run is compared with an earlier run's folder");
    }
    run.run = args.option("run").value_or("2");
    char* end = nullptr;
    double seconds = std::strtod(run.run.c_str(), &end);
    if (end == run.run.c_str() || *end || !(seconds >= 0) || seconds > 60)
        throw UsageError("--run \"" + run.run + "\" is not a number of seconds from 0 to 60");
    run.plan.run = run.run;
    run.jobs = jobsOf(args);
    auto checked = matrix::combinations(run.plan.choice);
    run.shots = run.shard ? matrix::shareOf(*checked, *run.shard) : *checked;
    return run;
}

// The summary line, and the exit status: 1 when anything needs a look.
int finish(const matrix::Report& report, const fs::path& out, const std::string& timing) {
    if (auto written = matrix::writeReportAndSheets(report, out); !written) throw sim::Failure(written.reason());
    std::printf("%zu shots%s: %zu findings, %zu failed, %zu changed; %s\n", report.shots.size(), timing.c_str(),
                report.findings(), report.failed(), report.changed(),
                sim::terminalSafe((out / matrix::kSheetHtml).string()).c_str());
    for (const matrix::Shot& shot : report.shots) {
        if (!shot.error.empty())
            std::printf("%s: failed: %s\n", shot.combination.name().c_str(), sim::terminalSafe(shot.error).c_str());
        for (const matrix::Finding& f : shot.findings)
            std::printf("%s: %s: %s\n", shot.combination.name().c_str(), f.kind.c_str(), sim::terminalSafe(f.message).c_str());
    }
    return report.findings() + report.failed() + report.changed() > 0 ? 1 : 0;
}

int mergeVerb(const Args& args) {
    if (args.positionals().size() < 3) throw UsageError("missing OUT and the SHARD_DIR folders");
    std::vector<fs::path> shards(args.positionals().begin() + 2, args.positionals().end());
    fs::path out = args.positionals()[1];
    auto merged = matrix::mergeShards(shards, out);
    if (!merged) throw sim::Failure(merged.reason());
    return finish(*merged, out, " merged from " + std::to_string(shards.size()) + " shards");
}

}  // namespace

int matrixVerb(const std::vector<std::string>& words) {
    Args args(words, {"screens", "versions", "styles", "locales", "set", "packages", "at", "jobs", "shard", "compare", "run"},
              {});
    if (args.help()) return printUsage("matrix");
    if (!args.positionals().empty() && args.positionals()[0] == "merge") {
        for (const char* option : {"screens", "versions", "styles", "locales", "at", "jobs", "shard", "compare", "run"})
            if (args.option(option)) throw UsageError(std::string("--") + option + " is not for merge");
        if (!args.optionValues("set").empty() || !args.optionValues("packages").empty())
            throw UsageError("--set and --packages are not for merge");
        return mergeVerb(args);
    }
    args.expectPositionals(1, "OUT");
    MatrixRun run = runOf(args);
    auto start = std::chrono::steady_clock::now();
    const double cpuBefore = cpuSeconds();
    matrix::Report report = runMatrix(run);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double shots = std::max<double>(1, static_cast<double>(report.shots.size()));
    char timing[200];
    std::snprintf(timing, sizeof timing, "%s in %.1f s with %d jobs on %d cores (%.3f s a shot a core; %.3f s of CPU a shot)",
                  run.shard ? (" (shard " + matrix::shardText(*run.shard) + ")").c_str() : "", seconds, run.jobs, cores(),
                  seconds * cores() / shots, (cpuSeconds() - cpuBefore) / shots);
    return finish(report, run.out, timing);
}

}  // namespace cli
