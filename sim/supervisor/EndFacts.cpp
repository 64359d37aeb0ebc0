#include "EndFacts.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <functional>

#include "MemoryGroup.h"
#include "crash/CrashReport.h"
#include "foundation/FileReplace.h"
#include "foundation/RegularFile.h"
#include "wire/Frame.h"

namespace supervisor {

namespace {

// The device's files, read as data: a regular file only, never waiting on
// what was put in its place (a FIFO at a crash note's path would hold the
// supervisor, and with it every restart), and bounded.
std::string readBounded(const std::string& path, std::size_t limit) {
    return ns::readRegularFile(path, limit).valueOr({});
}

// The crash note made into a report; the report's name.
std::string reportFromNote(const crash::CrashNote& note, const std::string& program, pid_t pid,
                           const std::string& crashFolder, const std::function<void(const std::string&)>& say) {
    char stamp[32];
    time_t t = static_cast<time_t>(note.time);
    tm utc{};
    gmtime_r(&t, &utc);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &utc);
    std::string name = program + "-" + stamp + "-" + std::to_string(pid) + ".crash";
    if (auto written = ns::replaceFile(crashFolder + "/" + name, crash::crashReport(note)); !written) {
        say(written.reason());
        return {};
    }
    say("crash report " + name);
    return name;
}

std::string memoryReportFile(const Lived& lived, const wire::ProgramEnded& end, const std::string& crashFolder,
                             const std::function<void(const std::string&)>& say) {
    crash::MemoryEnd facts{lived.program, static_cast<long>(lived.pid), static_cast<long long>(std::time(nullptr)),
                           lived.memoryLimit, lived.memoryPeak, end.loading(),
                           std::vector<std::string>(end.culprits().begin(), end.culprits().end())};
    char stamp[32];
    time_t t = static_cast<time_t>(facts.time);
    tm utc{};
    gmtime_r(&t, &utc);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &utc);
    std::string name = lived.program + "-" + stamp + "-" + std::to_string(lived.pid) + ".crash";
    if (auto written = ns::replaceFile(crashFolder + "/" + name, crash::memoryReport(facts)); !written) {
        say(written.reason());
        return {};
    }
    say("crash report " + name + " (memory limit)");
    return name;
}

}  // namespace

wire::ProgramEnded endFacts(const Lived& lived, const std::string& crashFolder, const std::string& runFolder,
                            const std::function<void(const std::string&)>& say) {
    wire::ProgramEnded end;
    end.set_program(lived.program);
    end.set_pid(static_cast<int>(lived.pid));
    if (WIFSIGNALED(lived.waitStatus))
        end.set_signal(WTERMSIG(lived.waitStatus));
    else
        end.set_exit_code(WIFEXITED(lived.waitStatus) ? WEXITSTATUS(lived.waitStatus) : 0);
    end.set_uptime(lived.uptime);
    end.set_came_up(lived.cameUp);
    end.set_cause(lived.cause);

    std::optional<crash::CrashNote> note;
    if (!crashFolder.empty()) {
        std::string path = crashFolder + "/" + lived.program + "-" + std::to_string(lived.pid) + ".note";
        note = crash::parseCrashNote(readBounded(path, 4 * 1024 * 1024));
        std::remove(path.c_str());
    }
    // Each program's own data bound (no group): a crash at it is one of memory.
    rlimit data{};
    if (note && lived.cause.empty() && getrlimit(RLIMIT_DATA, &data) == 0 && data.rlim_cur != RLIM_INFINITY &&
        atDataBound(note->maps, data.rlim_cur)) {
        end.set_cause("memory");
        note->reason = "memory limit: its data reached the bound of " + std::to_string(data.rlim_cur / (1024 * 1024)) + " MiB";
        say(lived.program + "[" + std::to_string(lived.pid) + "] ran out of memory at its bound");
    }
    if (note) {
        end.set_report(reportFromNote(*note, lived.program, lived.pid, crashFolder, say));
        end.set_loading(note->loading);
        for (const auto& l : note->loaded) end.add_culprits(l);
        return end;
    }
    // No note (an exit, a kill): the loader's progress says what it had loaded.
    if (!runFolder.empty()) {
        auto progress = wire::decode<wire::LoaderProgress>(readBounded(runFolder + "/" + lived.program + ".loading", 64 * 1024));
        if (progress && progress->pid() == static_cast<int>(lived.pid)) {
            end.set_loading(progress->loading());
            for (const auto& l : progress->loaded()) end.add_culprits(l);
        }
    }
    // Ended at the memory bound: a report of its own, as the phone keeps one.
    if (lived.cause == "memory" && !crashFolder.empty())
        end.set_report(memoryReportFile(lived, end, crashFolder, say));
    return end;
}

}  // namespace supervisor
