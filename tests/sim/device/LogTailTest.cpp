// `log` shows a bounded tail of the device log unless asked for more, and a
// FIFO a device puts in the log's place stalls no reader of it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "Command.h"

namespace {

namespace fs = std::filesystem;

std::size_t lineCount(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

// orvelle-sim ended after at most `seconds` (timeout(1) answers 124 otherwise).
Output simWithin(int seconds, const std::vector<std::string>& args) {
    std::vector<std::string> argv{"/usr/bin/timeout", "-s", "KILL", std::to_string(seconds), ORVELLE_SIM};
    argv.insert(argv.end(), args.begin(), args.end());
    return run(argv);
}

TEST(LogTail, ALargeLogShowsItsLastLinesUnlessAskedForMore) {
    TestDevice device;
    fs::path log = fs::path(device.path()) / "log/device.log";
    {
        std::ofstream out(log);
        for (int i = 0; i < 200000; ++i) out << "SpringBoard[7]: line " << i << " of a log a device filled\n";
    }
    ASSERT_GT(fs::file_size(log), 8u * 1024 * 1024);
    Output tail = sim({"log", device.path()});
    ASSERT_EQ(tail.exitCode, 0) << tail.err;
    EXPECT_EQ(lineCount(tail.out), 1000u);
    EXPECT_EQ(tail.out.rfind("SpringBoard[7]: line 199000 ", 0), 0u) << tail.out.substr(0, 80);
    EXPECT_TRUE(tail.out.ends_with("line 199999 of a log a device filled\n"));
    EXPECT_NE(tail.err.find("--all"), std::string::npos) << "what was left out is said, and how to see it";

    Output ten = sim({"log", device.path(), "--lines", "10"});
    ASSERT_EQ(ten.exitCode, 0) << ten.err;
    EXPECT_EQ(lineCount(ten.out), 10u);
    EXPECT_EQ(ten.out.rfind("SpringBoard[7]: line 199990 ", 0), 0u) << ten.out;
    Output all = sim({"log", device.path(), "--all"});
    EXPECT_EQ(all.out.size(), fs::file_size(log));
    for (const char* wrong : {"0", "-3", "ten", ""}) EXPECT_EQ(sim({"log", device.path(), "--lines", wrong}).exitCode, 2) << wrong;

    // Long lines: at most 256 KB, from the start of a line.
    {
        std::ofstream out(log);
        std::string wide(4000, 'w');
        for (int i = 0; i < 1000; ++i) out << i << ":" << wide << "\n";
    }
    Output wide = sim({"log", device.path()});
    ASSERT_EQ(wide.exitCode, 0) << wide.err;
    EXPECT_LE(wide.out.size(), 256u * 1024);
    EXPECT_GT(wide.out.size(), 200u * 1024);
    EXPECT_EQ(wide.out.find(':'), wide.out.find_first_not_of("0123456789")) << "it begins with a whole line";
    EXPECT_TRUE(wide.out.ends_with("999:" + std::string(4000, 'w') + "\n"));

    // A short log is shown whole, with nothing said.
    { std::ofstream(log) << "one\ntwo\n"; }
    Output whole = sim({"log", device.path()});
    EXPECT_EQ(whole.out, "one\ntwo\n");
    EXPECT_EQ(whole.err, "");
}

TEST(LogTail, AFifoInTheLogsPlaceStallsNoReader) {
    TestDevice device;
    fs::path log = fs::path(device.path()) / "log/device.log";
    fs::remove(log);
    ASSERT_EQ(mkfifo(log.c_str(), 0666), 0);
    Output shown = simWithin(20, {"log", device.path()});
    EXPECT_EQ(shown.exitCode, 1) << shown.err;
    EXPECT_NE(shown.err.find("FIFO"), std::string::npos) << shown.err;
    Output prefs = simWithin(60, {"prefs", device.path(), "show"});
    EXPECT_NE(prefs.exitCode, 137) << "prefs show waited on the FIFO";
    EXPECT_EQ(prefs.exitCode, 0) << prefs.err;
}

}  // namespace
