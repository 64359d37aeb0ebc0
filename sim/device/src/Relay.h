// The standard descriptors of a command a person runs in a device. The tool's
// own (the user's terminal above all) never reach the device: a program
// resident there could take them from the command and read what the user types
// long after the command ended. The command gets a new pseudo-terminal when
// the tool runs on a terminal, pipes otherwise, and the tool copies bytes
// between them and its own descriptors while the command runs.
#pragma once

#include <poll.h>
#include <termios.h>

#include <string>
#include <vector>

#include "device/Sandbox.h"
#include "device/TerminalText.h"
#include "LogWriter.h"
#include "foundation/UniqueFd.h"

namespace sim {

class Relay {
public:
    // Chooses by the tool's standard input and output: both terminals give a
    // pseudo-terminal (the user's terminal in raw mode until finish()),
    // unless the output is to be shown escaped, which takes pipes.
    explicit Relay(Shown shown);
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    bool terminal() const { return terminal_; }
    // The command's ends as its standard input, output and error.
    void give(LaunchSpec& spec) const;
    // Once the command has its ends: the tool keeps only its own.
    void launched();
    // The descriptors to wait on, appended; then what they answered.
    void watch(std::vector<pollfd>& fds);
    void handle(const std::vector<pollfd>& fds);
    // The user's terminal changed its size: the command's follows.
    void resized();
    // The command ended: what it wrote is passed on, the user's terminal is
    // as it was, and nothing of the relay stays open.
    void finish();
    // With Shown::Logged: the lines the command wrote on standard error.
    std::vector<std::string> takeLoggedLines() { return std::move(logged_); }

private:
    struct Channel {
        int from = -1, to = -1;  // descriptors; the tool's own or the relay's
        bool fromOurs = false, toOurs = false;
        bool closeToAtEnd = false;  // the command's input ends with the tool's
        std::string pending;
        int watchedAt = -1;
        bool escaped = false;  // the command's output, shown escaped
        bool logged = false;   // and kept as lines of the device's log
        TerminalStream shown;
    };
    void pass(Channel& c);
    bool flush(Channel& c);
    void closeFrom(Channel& c);
    void drain(Channel& c);
    void restoreTerminal();

    bool terminal_ = false;
    bool rawSet_ = false;
    termios saved_{};
    ns::UniqueFd master_, slave_;
    ns::UniqueFd inRead_, inWrite_, outRead_, outWrite_, errRead_, errWrite_;
    std::vector<Channel> channels_;
    supervisor::LineSplitter errorLines_{""};
    std::vector<std::string> logged_;
};

}  // namespace sim
