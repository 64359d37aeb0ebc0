// Text of a device's making shown on a terminal: no control sequence gets
// through whole, however it is spelled, and ordinary text is left as it is.
#include <gtest/gtest.h>

#include <string>

#include "device/TerminalText.h"

namespace {

using sim::Lines;
using sim::terminalSafe;

TEST(TerminalText, EscapeSequencesOfEveryKindAreShownNotActedOn) {
    EXPECT_EQ(terminalSafe("Evil\x1b]0;owned\x07\x1b[2J.dylib"), "Evil\\x1b]0;owned\\x07\\x1b[2J.dylib");
    EXPECT_EQ(terminalSafe("a\rb\bc\x7f"), "a\\x0db\\x08c\\x7f") << "carriage return, backspace and delete";
    // CSI as one C1 character in UTF-8, and as a lone byte that is not UTF-8.
    EXPECT_EQ(terminalSafe("x\xc2\x9b" "2Jy"), "x\\xc2\\x9b2Jy");
    EXPECT_EQ(terminalSafe("x\x9b" "2Jy"), "x\\x9b2Jy");
    // Overlong and cut sequences are bytes, not characters.
    EXPECT_EQ(terminalSafe("\xc0\x9b"), "\\xc0\\x9b");
    EXPECT_EQ(terminalSafe("end\xe2\x82"), "end\\xe2\\x82");
    // Controls alone leave printable ASCII alone.
    for (char c : terminalSafe(std::string("\0\x01\x1b\x9b\xc2\x85\xff", 7)))
        EXPECT_TRUE(c >= 0x20 && c < 0x7f) << static_cast<int>(static_cast<unsigned char>(c));
}

TEST(TerminalText, OrdinaryTextAndTheLinesOfATextOfManyLinesStay) {
    EXPECT_EQ(terminalSafe("Réveil 21:05 — ☀️ 𝄞\tok"), "Réveil 21:05 — ☀️ 𝄞\tok");
    EXPECT_EQ(terminalSafe("one\ntwo"), "one\\x0atwo") << "a name or a field is one line";
    EXPECT_EQ(terminalSafe("one\ntwo\n", Lines::Many), "one\ntwo\n");
    EXPECT_EQ(terminalSafe("a\\x1b"), "a\\x1b") << "a backslash is shown as it is";
}

TEST(TerminalText, AStreamKeepsACharacterSplitBetweenPiecesWhole) {
    sim::TerminalStream stream;
    std::string shown = stream("caf\xc3");
    shown += stream("\xa9 \xe2\x98");
    shown += stream("\x80\x1b");
    shown += stream("[31m\n");
    shown += stream.end();
    EXPECT_EQ(shown, "café ☀\\x1b[31m\n");
    // A piece that ends unfinished for good is shown as bytes at the end.
    sim::TerminalStream cut;
    std::string last = cut("x\xe2\x98");
    EXPECT_EQ(last + cut.end(), "x\\xe2\\x98");
}

}  // namespace
