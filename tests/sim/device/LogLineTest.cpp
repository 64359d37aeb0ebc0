// The device log's lines as the page gets them: taken apart, marked, and
// made safe to carry (valid UTF-8, bounded) whatever a program wrote.
#include <gtest/gtest.h>

#include "device/LogLine.h"

TEST(LogLine, AStampedLineIsTakenApartAndTheLoadersDecisionMarked) {
    wire::PageLogLine l = sim::parseLogLine("2026-12-09T06:24:12.165Z SpringBoard[2]: Loader: loading OrvelleiOS10.dylib (filter matched)\n");
    EXPECT_EQ(l.time(), "2026-12-09T06:24:12.165Z");
    EXPECT_EQ(l.program(), "SpringBoard");
    EXPECT_EQ(l.pid(), 2);
    EXPECT_EQ(l.text(), "Loader: loading OrvelleiOS10.dylib (filter matched)");
    EXPECT_EQ(l.kind(), wire::PageLogLine::LOADER);

    EXPECT_EQ(sim::parseLogLine("2026-12-09T06:24:12Z SpringBoard[2]: Loader: cannot load x.dylib: no such file").kind(),
              wire::PageLogLine::FAILURE)
        << "a loader's failure is a failure";
    EXPECT_EQ(sim::parseLogLine("2026-12-09T06:24:12Z SpringBoard[2]: SpringBoard: stopped by a failure while running").kind(),
              wire::PageLogLine::FAILURE);
    EXPECT_EQ(sim::parseLogLine("2026-12-09T06:24:12Z backboardd[3]: backboardd: up (pid 3)").kind(), wire::PageLogLine::PLAIN);
}

TEST(LogLine, AnyBytesBecomeValidBoundedTextAndAStrangeShapeIsAllText) {
    wire::PageLogLine odd = sim::parseLogLine("no stamp [x]: here \xff\xfe end");
    EXPECT_EQ(odd.program(), "");
    EXPECT_EQ(odd.text(), "no stamp [x]: here \xEF\xBF\xBD\xEF\xBF\xBD end") << "bytes that are not UTF-8 are replaced";
    std::string longLine = "2026-12-09T06:24:12Z SpringBoard[2]: ";
    for (int i = 0; i < 3000; ++i) longLine += "é";
    wire::PageLogLine cut = sim::parseLogLine(longLine);
    EXPECT_LE(cut.text().size(), sim::kLongestLogText + 3);
    EXPECT_EQ(cut.text().substr(cut.text().size() - 3), "…") << "cut on a character, and said";
    EXPECT_EQ(sim::parseLogLine("").text(), "");
    EXPECT_EQ(sim::parseLogLine("1 SpringBoard[99999999999]: x").program(), "") << "a pid that is no number is text";
}
