// The shots of a matrix: every screen of the device table with every system
// version it ran, every clock style and every locale asked for, in one fixed
// order, so any machine names and splits them the same way.
#pragma once

#include <string>
#include <vector>

#include "foundation/Result.h"

namespace matrix {

struct Combination {
    std::string model;    // "iPhone", "iPad"
    std::string version;  // "11.1.2"
    double width = 0, height = 0, scale = 0;
    std::string style;    // "stacked" or "row"
    std::string locale;   // "en_US"

    std::string screen() const;  // "375x812"
    // "11.1.2-375x812-row-en_US": a file name and the shot's key in a report.
    std::string name() const;
    // The tweak's value for its clock style (1 stacked, 2 row).
    int clockStyle() const;
};

struct MatrixChoice {
    std::vector<std::string> screens;   // "375x667"; empty: every phone screen
    std::vector<std::string> versions;  // "10.3.3", or a major alone ("10"); empty: one of 10 and one of 11
    std::vector<std::string> styles;    // "stacked", "row"; empty: both
    std::vector<std::string> locales;   // empty: en_US, de_DE, ja_JP
};

// The release a major version alone stands for.
inline constexpr const char* kDefault10 = "10.3.3";
inline constexpr const char* kDefault11 = "11.1.2";

// Every combination, version by version, screen by screen (the table's
// order), then style and locale; the pairs of a screen and a version that
// never ran together are left out. A failure names the value refused and
// what is accepted; a choice that leaves nothing is one.
ns::Result<std::vector<Combination>> combinations(const MatrixChoice& choice);

// "a,b,c" into its items; an empty item is refused by the caller's checks.
std::vector<std::string> splitList(const std::string& text);

}  // namespace matrix
