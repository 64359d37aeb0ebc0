#include "foundation/Log.h"

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <mutex>

#include "foundation/Objects.h"

namespace ns {

namespace {

struct Sink {
    std::mutex mutex;
    std::function<void(const std::string&)> write;
};

Sink& sink() {
    static Sink* s = new Sink;  // usable from static destructors
    return *s;
}

// One write per line, so lines of concurrent programs sharing the log never interleave.
void writeStandardError(const std::string& line) {
    std::size_t done = 0;
    while (done < line.size()) {
        ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

void logLine(const std::string& line) {
    std::string text = line;
    if (text.empty() || text.back() != '\n') text += '\n';
    auto& s = sink();
    std::lock_guard lock(s.mutex);
    if (s.write)
        s.write(text);
    else
        writeStandardError(text);
}

void setLogSink(std::function<void(const std::string&)> write) {
    auto& s = sink();
    std::lock_guard lock(s.mutex);
    s.write = std::move(write);
}

}  // namespace ns

void NSLog(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string line = vformat(fmt, ap);
    va_end(ap);
    ns::logLine(line);
}
