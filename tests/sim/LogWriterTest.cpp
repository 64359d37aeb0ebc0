// Program output becomes whole log lines, each with its writer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <regex>

#include "LogWriter.h"

namespace {

class LogWriterTest : public ::testing::Test {
protected:
    // A file rather than a pipe: a long line must not wait for a reader.
    void SetUp() override {
        FILE* f = std::tmpfile();
        ASSERT_NE(f, nullptr);
        file = f;
        fds[1] = fileno(f);
    }
    void TearDown() override { std::fclose(file); }
    std::vector<std::string> lines() {
        std::string all;
        char buffer[65536];
        ssize_t n;
        off_t at = 0;
        while ((n = pread(fds[1], buffer, sizeof buffer, at)) > 0) {
            all.append(buffer, static_cast<std::size_t>(n));
            at += n;
        }
        std::vector<std::string> out;
        std::size_t start = 0;
        for (std::size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1)
            out.push_back(all.substr(start, end - start));
        EXPECT_EQ(start, all.size()) << "every line ends with a line feed";
        return out;
    }
    FILE* file = nullptr;
    int fds[2] = {-1, -1};
};

TEST_F(LogWriterTest, PiecesBecomeLinesWithTimeAndWriter) {
    supervisor::LogWriter log(fds[1]);
    supervisor::LineSplitter out("SpringBoard[2]");
    out.feed("OVS: Orvel", log);
    out.feed("leiOS has been updated.\nsecond\r\nthi", log);
    out.feed("rd", log);
    out.finish(log);
    auto got = lines();
    ASSERT_EQ(got.size(), 3u);
    std::regex shape(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z SpringBoard\[2\]: (.*))");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(got[0], m, shape)) << got[0];
    EXPECT_EQ(m[1], "OVS: OrvelleiOS has been updated.");
    ASSERT_TRUE(std::regex_match(got[1], m, shape));
    EXPECT_EQ(m[1], "second") << "a carriage return before the line feed is dropped";
    ASSERT_TRUE(std::regex_match(got[2], m, shape));
    EXPECT_EQ(m[1], "third") << "the unfinished last line is kept at the end";
}

TEST_F(LogWriterTest, AnEndlessLineIsCutIntoLogLines) {
    supervisor::LogWriter log(fds[1]);
    supervisor::LineSplitter out("backboardd[3]");
    out.feed(std::string(64 * 1024 + 10, 'x'), log);
    out.finish(log);
    auto got = lines();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].substr(got[1].find("]: ") + 3), std::string(10, 'x'));
}

TEST_F(LogWriterTest, NothingWrittenNothingLogged) {
    supervisor::LogWriter log(fds[1]);
    supervisor::LineSplitter out("SpringBoard[2]");
    out.finish(log);
    EXPECT_TRUE(lines().empty());
}

}  // namespace
