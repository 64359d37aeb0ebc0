#include "LogWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <utility>

namespace supervisor {

LogWriter::LogWriter(int fd, std::string path, std::size_t limit) : fd_(fd), path_(std::move(path)), limit_(limit) {
    struct stat st {};
    if (fstat(fd_, &st) == 0) size_ = static_cast<std::size_t>(st.st_size);
}

LogWriter::~LogWriter() {
    if (!path_.empty() && fd_ >= 0) close(fd_);
}

void LogWriter::rotate() {
    std::string older = path_ + ".1";
    if (rename(path_.c_str(), older.c_str()) != 0) return;  // keeps writing where it is
    int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return;
    close(fd_);
    fd_ = fd;
    size_ = 0;
}

void LogWriter::line(std::string_view writer, std::string_view text) {
    timeval now{};
    gettimeofday(&now, nullptr);
    tm utc{};
    gmtime_r(&now.tv_sec, &utc);
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(now.tv_usec / 1000));
    std::string out = stamp;
    out.append(writer).append(": ").append(text);
    if (!out.empty() && out.back() == '\r') out.pop_back();
    out.push_back('\n');
    // One write per line, so lines of several writers never interleave.
    std::size_t done = 0;
    while (done < out.size()) {
        ssize_t n = write(fd_, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
    size_ += done;
    if (!path_.empty() && size_ >= limit_) rotate();
}

void LineSplitter::feed(std::string_view bytes, const LineSink& log) {
    pending_.append(bytes);
    std::size_t start = 0;
    while (true) {
        auto end = pending_.find('\n', start);
        if (end == std::string::npos) break;
        log(writer_, std::string_view(pending_).substr(start, end - start));
        start = end + 1;
    }
    pending_.erase(0, start);
    // A program that never ends its line still gets logged.
    while (pending_.size() >= kLongestLine) {
        log(writer_, std::string_view(pending_).substr(0, kLongestLine));
        pending_.erase(0, kLongestLine);
    }
}

void LineSplitter::finish(const LineSink& log) {
    if (!pending_.empty()) log(writer_, pending_);
    pending_.clear();
}

}  // namespace supervisor
