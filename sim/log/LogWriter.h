// The device log: every line a program writes becomes one log line,
// "2026-12-08T09:30:00.123Z SpringBoard[12]: text".
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace supervisor {

class LogWriter {
public:
    explicit LogWriter(int fd) : fd_(fd) {}
    // Appends to the file at `path` (already open as `fd`, which the writer
    // then owns). When it passes `limit` bytes it becomes `path`.1, replacing
    // the older one, and a new file starts: a device that logs without end
    // never fills the disk.
    LogWriter(int fd, std::string path, std::size_t limit);
    ~LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // One line, prefixed with the time and the writer.
    void line(std::string_view writer, std::string_view text);

private:
    void rotate();

    int fd_;
    std::string path_;       // empty: no rotation, the descriptor is the caller's
    std::size_t limit_ = 0;
    std::size_t size_ = 0;
};

// Where a line goes: its writer and its text.
using LineSink = std::function<void(std::string_view writer, std::string_view text)>;

// Splits what arrives on one program's output into lines.
class LineSplitter {
public:
    explicit LineSplitter(std::string writer) : writer_(std::move(writer)) {}
    const std::string& writer() const { return writer_; }
    void feed(std::string_view bytes, const LineSink& sink);
    // At the end of the output: a last line without its line feed.
    void finish(const LineSink& sink);
    void feed(std::string_view bytes, LogWriter& log) { feed(bytes, into(log)); }
    void finish(LogWriter& log) { finish(into(log)); }

private:
    static LineSink into(LogWriter& log) {
        return [&log](std::string_view writer, std::string_view text) { log.line(writer, text); };
    }
    static constexpr std::size_t kLongestLine = 64 * 1024;
    std::string writer_;
    std::string pending_;
};

}  // namespace supervisor
