// log: the device log, once or followed (LogFollower.h), its control
// characters escaped for the terminal.
#include <cstdio>
#include <string>

#include "Args.h"
#include "LogFollower.h"
#include "Verbs.h"
#include "device/Device.h"
#include "device/DeviceFiles.h"
#include "device/TerminalText.h"
#include "wire/Failure.h"
#include "foundation/RunLoop.h"

namespace cli {

int logVerb(const std::vector<std::string>& words) {
    Args args(words, {"lines"}, {"follow", "all"});
    if (args.help()) return printUsage("log");
    args.expectPositionals(1, "DEVICE");
    LogTail tail;
    if (args.flag("all") && args.option("lines")) throw UsageError("--all and --lines do not go together");
    tail.all = args.flag("all");
    if (auto lines = args.option("lines")) {
        std::size_t used = 0;
        unsigned long long n = 0;
        try {
            n = std::stoull(*lines, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != lines->size() || lines->empty() || (*lines)[0] == '-' || n == 0)
            throw UsageError("--lines takes a number of lines above 0, not \"" + *lines + "\"");
        tail.lines = static_cast<std::size_t>(n);
        tail.bytes = 0;  // as many as asked for
    }
    sim::Device device(args.positionals()[0]);
    device.requireExists();
    sim::TerminalStream shown;
    LogFollower follower(device, tail, [&shown](std::string_view bytes) {
        std::string text = shown(bytes);
        if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
            throw sim::Failure("cannot write to standard output");
    });
    follower.poll();
    if (follower.leftOut())
        std::fprintf(stderr, "orvelle-sim log: the log's earlier lines are left out (--lines N, --all)\n");
    if (!args.flag("follow")) {
        std::string rest = shown.end();  // what is left of a character cut at the log's end, as bytes
        std::fwrite(rest.data(), 1, rest.size(), stdout);
        return 0;
    }
    follower.follow();
    ns::RunLoop::main().run();
    return 0;
}

}  // namespace cli
