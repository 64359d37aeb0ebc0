// Changes made at the same time from several shells all land: each takes the
// settings' lock around its read-modify-write.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "Command.h"

TEST(ConcurrentChanges, FourWritersOfTwoHundredSettingsEachLoseNothing) {
    TestDevice device;
    constexpr int kWriters = 4, kEach = 200;
    std::vector<std::thread> writers;
    std::vector<int> failures(kWriters, 0);
    std::vector<std::string> firstError(kWriters);
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([&, w] {
            for (int i = 0; i < kEach; ++i) {
                Output out = sim({"settings", device.path(), "set", "w" + std::to_string(w) + "k" + std::to_string(i),
                                  std::to_string(i), "--type", "int"});
                if (out.exitCode != 0 && failures[w]++ == 0) firstError[w] = out.err;
            }
        });
    for (auto& t : writers) t.join();
    for (int w = 0; w < kWriters; ++w) EXPECT_EQ(failures[w], 0) << "writer " << w << ": " << firstError[w];
    Output shown = sim({"settings", device.path(), "show"});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    int found = 0;
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kEach; ++i)
            found += shown.out.find("w" + std::to_string(w) + "k" + std::to_string(i) + " = " + std::to_string(i) + "\n") !=
                     std::string::npos;
    EXPECT_EQ(found, kWriters * kEach) << "changes were lost";
}
