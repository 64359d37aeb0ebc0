// Text of a device's making on its way to a person's terminal. A device runs
// code nobody here wrote; a file name, a log line, a crash report or a package
// field holding escape sequences could otherwise retitle, clear or reprogram
// the user's terminal. Every control character is shown escaped ("\x1b").
#pragma once

#include <string>
#include <string_view>

namespace sim {

enum class Lines { One, Many };

// `text` with every control character (C0, DEL, C1) and every byte that is
// not UTF-8 written as \xNN; \n is kept in text of many lines by design (a log,
// a report), a tab always.
std::string terminalSafe(std::string_view text, Lines lines = Lines::One);

// The same for text that arrives in pieces (a log followed): a character
// split between two pieces is kept whole.
class TerminalStream {
public:
    std::string operator()(std::string_view piece);
    // What is left of an unfinished character, escaped.
    std::string end();

private:
    std::string carried_;
};

}  // namespace sim
