#include "Relay.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <tuple>

#include "wire/Failure.h"

namespace sim {

namespace {

// At most this much waits on its way to the command at once.
constexpr std::size_t kPendingBytes = 65536;

void nonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

void makePipe(ns::UniqueFd& read, ns::UniqueFd& write, const char* what) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) failWithErrno(std::string("cannot make a pipe for the command's ") + what);
    read = ns::UniqueFd(ends[0]);
    write = ns::UniqueFd(ends[1]);
}

}  // namespace

Relay::Relay(Shown shown) {
    terminal_ = shown == Shown::AsIs && isatty(0) && isatty(1);
    if (!terminal_) {
        makePipe(inRead_, inWrite_, "input");
        makePipe(outRead_, outWrite_, "output");
        makePipe(errRead_, errWrite_, "errors");
        nonBlocking(inWrite_.get());
        nonBlocking(outRead_.get());
        nonBlocking(errRead_.get());
        channels_.resize(3);
        channels_[0].from = 0;
        channels_[0].to = inWrite_.get();
        channels_[0].toOurs = channels_[0].closeToAtEnd = true;
        for (auto [i, from, to] : {std::tuple{1, outRead_.get(), 1}, std::tuple{2, errRead_.get(), 2}}) {
            channels_[static_cast<std::size_t>(i)].from = from;
            channels_[static_cast<std::size_t>(i)].to = to;
            channels_[static_cast<std::size_t>(i)].fromOurs = true;
            channels_[static_cast<std::size_t>(i)].escaped = shown == Shown::Escaped || shown == Shown::Logged;
            channels_[static_cast<std::size_t>(i)].logged = shown == Shown::Logged && i == 2;
        }
        return;
    }
    master_ = ns::UniqueFd(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master_ || grantpt(master_.get()) != 0 || unlockpt(master_.get()) != 0)
        failWithErrno("cannot make a pseudo-terminal for the command");
    char name[128];
    if (ptsname_r(master_.get(), name, sizeof name) != 0) failWithErrno("cannot name the command's pseudo-terminal");
    slave_ = ns::UniqueFd(open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave_) failWithErrno(std::string("cannot open the command's pseudo-terminal ") + name);
    // The command's terminal behaves as the user's did; the user's passes
    // every key through, but Ctrl-C and Ctrl-\ still reach the tool, which
    // passes them on as signals.
    if (tcgetattr(0, &saved_) == 0) {
        tcsetattr(slave_.get(), TCSANOW, &saved_);
        termios raw = saved_;
        cfmakeraw(&raw);
        raw.c_lflag |= ISIG;
        raw.c_cc[VSUSP] = _POSIX_VDISABLE;
        rawSet_ = tcsetattr(0, TCSANOW, &raw) == 0;
    }
    resized();
    nonBlocking(master_.get());
    channels_.resize(2);
    channels_[0].from = 0;
    channels_[0].to = master_.get();
    channels_[0].toOurs = true;
    channels_[1].from = master_.get();
    channels_[1].to = 1;
    channels_[1].fromOurs = true;
}

Relay::~Relay() { restoreTerminal(); }

void Relay::restoreTerminal() {
    if (rawSet_) tcsetattr(0, TCSADRAIN, &saved_);
    rawSet_ = false;
}

void Relay::give(LaunchSpec& spec) const {
    if (terminal_) {
        spec.stdinFd = spec.stdoutFd = spec.stderrFd = slave_.get();
    } else {
        spec.stdinFd = inRead_.get();
        spec.stdoutFd = outWrite_.get();
        spec.stderrFd = errWrite_.get();
    }
}

void Relay::launched() {
    slave_.reset();
    inRead_.reset();
    outWrite_.reset();
    errWrite_.reset();
}

void Relay::resized() {
    winsize size{};
    if (terminal_ && ioctl(0, TIOCGWINSZ, &size) == 0) ioctl(master_.get(), TIOCSWINSZ, &size);
}

void Relay::watch(std::vector<pollfd>& fds) {
    for (Channel& c : channels_) {
        c.watchedAt = -1;
        if (!c.pending.empty() && c.toOurs) {
            c.watchedAt = static_cast<int>(fds.size());
            fds.push_back({c.to, POLLOUT, 0});
        } else if (c.from >= 0 && c.pending.size() < kPendingBytes) {
            c.watchedAt = static_cast<int>(fds.size());
            fds.push_back({c.from, POLLIN, 0});
        }
    }
}

void Relay::handle(const std::vector<pollfd>& fds) {
    for (Channel& c : channels_) {
        if (c.watchedAt < 0 || !fds[static_cast<std::size_t>(c.watchedAt)].revents) continue;
        if (!c.pending.empty() && c.toOurs) {
            if (!flush(c)) c.pending.clear();  // the command no longer reads
        } else {
            pass(c);
        }
    }
}

// Reads what is there and sends it on; the end of the source is passed on as
// the end of the command's input.
void Relay::pass(Channel& c) {
    char buffer[16384];
    ssize_t n = read(c.from, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    auto keep = [this](std::string_view, std::string_view text) { logged_.emplace_back(text); };
    if (n <= 0) {  // the end, or EIO once no one holds the terminal's other side
        if (c.logged) errorLines_.finish(keep);
        if (c.escaped) c.pending += c.shown.end();
        closeFrom(c);
        if (!flush(c)) c.pending.clear();
        return;
    }
    if (c.logged) errorLines_.feed(std::string_view(buffer, static_cast<std::size_t>(n)), keep);
    if (c.escaped)
        c.pending += c.shown(std::string_view(buffer, static_cast<std::size_t>(n)));
    else
        c.pending.append(buffer, static_cast<std::size_t>(n));
    if (!flush(c)) c.pending.clear();
}

// Writes what waits: at once and whole to the tool's own descriptors, as far
// as it goes without waiting to the relay's. False when the reader is gone.
bool Relay::flush(Channel& c) {
    while (!c.pending.empty()) {
        ssize_t n = write(c.to, c.pending.data(), c.pending.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN && c.toOurs) return true;
        if (n < 0) {
            if (errno == EAGAIN) {  // the tool's own output, set non-blocking by someone else
                pollfd wait{c.to, POLLOUT, 0};
                poll(&wait, 1, 100);
                continue;
            }
            return false;
        }
        c.pending.erase(0, static_cast<std::size_t>(n));
    }
    if (c.from < 0 && c.closeToAtEnd) {
        if (c.to == inWrite_.get()) inWrite_.reset();
        c.to = -1;
    }
    return true;
}

void Relay::closeFrom(Channel& c) {
    if (c.fromOurs) {
        if (c.from == outRead_.get()) outRead_.reset();
        if (c.from == errRead_.get()) errRead_.reset();
    }
    c.from = -1;
    if (c.closeToAtEnd && c.pending.empty() && c.to == inWrite_.get()) {
        inWrite_.reset();
        c.to = -1;
    }
}

// What the command wrote before it ended. A program left running in the
// device may still hold the other side: the tool waits for more only briefly.
void Relay::drain(Channel& c) {
    using Clock = std::chrono::steady_clock;
    const auto until = Clock::now() + std::chrono::seconds(1);
    while (c.from >= 0 && Clock::now() < until) {
        pollfd ready{c.from, POLLIN, 0};
        if (poll(&ready, 1, 50) <= 0) break;
        pass(c);
    }
}

void Relay::finish() {
    for (Channel& c : channels_)
        if (c.fromOurs) drain(c);
    restoreTerminal();
    channels_.clear();
    master_.reset();
    slave_.reset();
    inRead_.reset();
    inWrite_.reset();
    outRead_.reset();
    outWrite_.reset();
    errRead_.reset();
    errWrite_.reset();
}

}  // namespace sim
