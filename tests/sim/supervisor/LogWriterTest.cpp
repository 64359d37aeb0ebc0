// Program output becomes whole log lines, each with its writer.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
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

TEST(LogRotation, ALogPastItsLimitBecomesTheOlderOneAndANewOneStarts) {
    std::string folder = (std::filesystem::temp_directory_path() / "log-rotation-XXXXXX").string();
    ASSERT_TRUE(mkdtemp(folder.data()));
    std::string path = folder + "/device.log";
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    ASSERT_GE(fd, 0);
    {
        supervisor::LogWriter log(fd, path, 1000);
        for (int i = 0; i < 100; ++i) log.line("SpringBoard[2]", "line " + std::to_string(i) + std::string(40, 'x'));
    }
    auto size = [](const std::string& f) { return std::filesystem::exists(f) ? std::filesystem::file_size(f) : 0; };
    EXPECT_LT(size(path), 1000u + 200u) << "the log grew past its limit";
    EXPECT_GE(size(path + ".1"), 1000u) << "no older log was kept";
    EXPECT_LT(size(path + ".1"), 1000u + 200u);
    EXPECT_FALSE(std::filesystem::exists(path + ".2")) << "only one older log is kept";
    // The newest line is in the current log, whole.
    std::ifstream in(path);
    std::string last, line;
    while (std::getline(in, line)) last = line;
    EXPECT_NE(last.find("SpringBoard[2]: line 99"), std::string::npos) << last;
    std::filesystem::remove_all(folder);
}
