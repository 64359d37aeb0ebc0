// A case whose body must run in a process of its own: the tweak loads once
// per process and the host's state cannot be undone. The child's failures go
// to standard error, so the parent shows them, and fail the case.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace test_support {

[[noreturn]] inline void exitWithFailures() {
    const testing::TestResult* result = testing::UnitTest::GetInstance()->current_test_info()->result();
    for (int i = 0; i < result->total_part_count(); ++i) {
        const testing::TestPartResult& r = result->GetTestPartResult(i);
        if (r.failed())
            std::fprintf(stderr, "%s:%d: %s\n", r.file_name() ? r.file_name() : "?", r.line_number(), r.message());
    }
    std::exit(testing::Test::HasFailure() ? 1 : 0);
}

template <class Body>
void inChild(Body body) {
    EXPECT_EXIT(
        {
            body();
            exitWithFailures();
        },
        testing::ExitedWithCode(0), "")
        << "the case failed in its own process";
}

}  // namespace test_support
