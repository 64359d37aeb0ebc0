// The device log: every line a program writes becomes one log line,
// "2026-12-08T09:30:00.123Z SpringBoard[12]: text".
#pragma once

#include <string>
#include <string_view>

namespace supervisor {

class LogWriter {
public:
    explicit LogWriter(int fd) : fd_(fd) {}
    // One line, prefixed with the time and the writer.
    void line(std::string_view writer, std::string_view text);

private:
    int fd_;
};

// Splits what arrives on one program's output into lines.
class LineSplitter {
public:
    explicit LineSplitter(std::string writer) : writer_(std::move(writer)) {}
    const std::string& writer() const { return writer_; }
    void feed(std::string_view bytes, LogWriter& log);
    // At the end of the output: a last line without its line feed.
    void finish(LogWriter& log);

private:
    static constexpr std::size_t kLongestLine = 64 * 1024;
    std::string writer_;
    std::string pending_;
};

}  // namespace supervisor
