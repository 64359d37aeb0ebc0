#include <gtest/gtest.h>

#include <clocale>
#include <vector>

#include "foundation/Log.h"

TEST(Log, OneLinePerCallWithNumbersInTheCLocale) {
    std::vector<std::string> lines;
    ns::setLogSink([&](const std::string& line) { lines.push_back(line); });
    std::string previous = std::setlocale(LC_ALL, nullptr);
    bool comma = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    NSLog("%f %f %f", 0.5, 0.25, 1.0);
    NSLog("OVS: Nine.\n");
    NSLog("%s", "");
    std::setlocale(LC_ALL, previous.c_str());
    ns::setLogSink({});
    EXPECT_EQ(lines, (std::vector<std::string>{"0.500000 0.250000 1.000000\n", "OVS: Nine.\n", "\n"}))
        << (comma ? "under a decimal-comma locale" : "");
}
