// Pages live from the run loop: listening costs no thread, a page that
// leaves is forgotten, pages past the most are refused, a page too slow to
// keep up is caught up rather than growing the server, and stopping the
// server closes them.
#include <gtest/gtest.h>

#include <dirent.h>

#include <chrono>
#include <thread>

#include "FakeDevice.h"
#include "HttpClient.h"
#include "LivePage.h"
#include "ServedOnLoop.h"

namespace {

using webtest::LivePage;
using webtest::FakeDevice;

int threadCount() {
    int n = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* e = readdir(dir))
            if (e->d_name[0] != '.') ++n;
        closedir(dir);
    }
    return n;
}

TEST(LivePages, ListeningHoldsNoThread) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    const int before = threadCount();
    std::vector<std::unique_ptr<LivePage>> pages;
    for (int i = 0; i < 6; ++i) {
        pages.push_back(std::make_unique<LivePage>(served.port()));
        ASSERT_TRUE(pages.back()->next());
    }
    EXPECT_EQ(served.onLoop([&] { return served.server().livePages(); }), 6u);
    EXPECT_EQ(threadCount(), before);
}

TEST(LivePages, APageThatLeavesIsForgottenAndTheRestHearOn) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    auto staying = std::make_unique<LivePage>(served.port());
    auto leaving = std::make_unique<LivePage>(served.port());
    ASSERT_TRUE(staying->next());
    ASSERT_TRUE(leaving->next());
    ASSERT_EQ(served.onLoop([&] { return served.server().livePages(); }), 2u);

    leaving.reset();
    EXPECT_TRUE(served.eventually([&] { return served.server().livePages() == 1; })) << "a closed page is still counted";
    served.onLoop([&] { device.sink.settings(); });
    auto told = staying->next();
    ASSERT_TRUE(told);
    EXPECT_TRUE(told->settings_changed());
}

TEST(LivePages, PagesPastTheMostAreRefusedAndTheNextGetsInOnceOneLeaves) {
    FakeDevice device;
    web::ServerOptions options;
    options.mostLivePages = 3;
    webtest::ServedOnLoop served(device, options);
    std::vector<std::unique_ptr<LivePage>> pages;
    for (int i = 0; i < 3; ++i) pages.push_back(std::make_unique<LivePage>(served.port()));
    for (auto& p : pages) ASSERT_TRUE(p->live());
    LivePage refused(served.port());
    ASSERT_TRUE(refused.head());
    EXPECT_EQ(refused.head()->status, 503);
    EXPECT_NE(refused.head()->body.find("close one"), std::string::npos) << refused.head()->body;
    pages.pop_back();
    ASSERT_TRUE(served.eventually([&] { return served.server().livePages() == 2; }));
    LivePage next(served.port());
    EXPECT_TRUE(next.live());
}

TEST(LivePages, ASlowPageIsCaughtUpInsteadOfGrowingTheServer) {
    FakeDevice device;
    web::ServerOptions options;
    options.screenBacklogBytes = 64 * 1024;
    webtest::ServedOnLoop served(device, options);
    LivePage slow(served.port(), 10, 16 * 1024);
    ASSERT_TRUE(slow.next());
    ASSERT_TRUE(served.eventually([&] { return device.watching; }));

    // A whole screen, then far more changes than the backlog and the socket
    // buffers hold, while the page reads nothing.
    constexpr int kUpdates = 4000;
    const std::string pad(4000, 'x');
    auto update = [&](int i, bool whole) {
        wire::ToPage m;
        m.mutable_screen()->set_serial(static_cast<std::uint64_t>(i));
        m.mutable_screen()->set_whole(whole);
        m.mutable_screen()->add_pictures()->set_png(pad);
        return web::ScreenFrame{m.SerializeAsString(), whole, static_cast<std::uint64_t>(i)};
    };
    served.onLoop([&] {
        device.sink.screen(update(0, true));
        for (int i = 1; i < kUpdates; ++i) device.sink.screen(update(i, false));
    });

    int received = 0;
    std::uint64_t last = 0;
    while (last != kUpdates - 1) {
        auto message = slow.next();
        ASSERT_TRUE(message) << "the page's connection ended after update " << last;
        ASSERT_TRUE(message->has_screen());
        const std::uint64_t serial = message->screen().serial();
        // Caught up: a whole screen (or the last one and those since) may come again, never an update out of turn.
        EXPECT_TRUE(serial > last || message->screen().whole() || serial == 0) << serial << " after " << last;
        last = serial;
        ++received;
    }
    EXPECT_LT(received, kUpdates / 2) << "the backlog kept what it should have dropped";
}

TEST(LivePages, StoppingTheServerClosesThePages) {
    FakeDevice device;
    webtest::ServedOnLoop served(device);
    LivePage page(served.port());
    ASSERT_TRUE(page.next());
    served.halt();
    EXPECT_FALSE(page.next());
    EXPECT_EQ(page.closedWith(), 1001);
}

}  // namespace
