// The workbench's state in the home screen, in-process: the clock held in
// hand with its checks and its record, and the notification store with its
// limits and its reader of what a device holds.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "DeviceClock.h"
#include "NotificationStore.h"
#include "foundation/Process.h"
#include "foundation/RegularFile.h"
#include "renderer/FontMap.h"

namespace {

namespace fs = std::filesystem;
using springboard::changeClock;

constexpr double kNoon = 1830340800;  // 2028-01-01T12:00:00Z

class ClockInHand : public ::testing::Test {
protected:
    void SetUp() override {
        ns::useRealPaceFrom(kNoon);
        ns::pauseClock();
        held = ns::now();
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    ns::Result<wire::ClockState> change(const wire::ClockRequest& r) { return changeClock(r, record.string()); }
    ns::ProcessScope fresh;
    double held = 0;  // where the paused clock stands
    fs::path folder = fs::temp_directory_path() / ("workbench-state-" + std::to_string(getpid()));
    fs::path record = folder / "clock.record";
};

wire::ClockRequest rate(double r) {
    wire::ClockRequest c;
    c.set_rate(r);
    return c;
}

wire::ClockRequest set(const std::string& iso, const std::string& zone = {}) {
    wire::ClockRequest c;
    c.set_set(iso);
    c.set_time_zone(zone);
    return c;
}

}  // namespace

TEST_F(ClockInHand, RefusedValuesNameWhatIsAcceptedAndChangeNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        wire::ClockRequest request;
        const char* says;
    } cases[] = {
        {rate(0), "above 0 and at most 3600"},
        {rate(-1), "above 0 and at most 3600"},
        {rate(nan), "above 0 and at most 3600"},
        {rate(3600.5), "above 0 and at most 3600"},
        {set("1969-12-31T23:59:59Z"), "1970 to 9999"},
        {set("12000-01-01T00:00:00Z"), "1970 to 9999"},
        {set("1970-01-01T00:30:00", "Europe/Berlin"), "outside the clock's range"},
        {set("2027-01-01T00:00:00", "Europe/Atlantis"), "such as Europe/Berlin"},
        {set("2027-02-30T00:00:00Z"), "not a date and time like"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        auto answer = change(c.request);
        ASSERT_FALSE(answer);
        EXPECT_NE(answer.reason().find(c.says), std::string::npos) << answer.reason();
    }
    wire::ClockRequest far;
    far.set_advance(1e12);
    EXPECT_FALSE(change(far));
    EXPECT_EQ(ns::now(), held) << "nothing moved the clock";
    EXPECT_FALSE(fs::exists(record)) << "nothing was recorded";
}

TEST_F(ClockInHand, SetReadsTheWallTimeInTheZoneGivenAndIsRecorded) {
    auto berlin = change(set("2027-03-28T01:59:58", "Europe/Berlin"));
    ASSERT_TRUE(berlin) << berlin.reason();
    EXPECT_EQ(ns::now(), 1806195598) << std::fixed << ns::now() - 1806195598 << ": 01:59:58 in Berlin is 00:59:58Z";
    auto offset = change(set("2027-03-28T01:59:58-05:00", "Europe/Berlin"));
    ASSERT_TRUE(offset);
    EXPECT_EQ(ns::now(), 1806195598 + 6 * 3600) << "an offset in the text wins";

    auto bytes = ns::readRegularFile(record.string(), 1024);
    ASSERT_TRUE(bytes);
    auto kept = springboard::clockRecordOf(*bytes);
    ASSERT_TRUE(kept) << kept.reason();
    EXPECT_TRUE(kept->paused());
    EXPECT_EQ(springboard::recordedNow(*kept, kept->real_at() + 3600), ns::now()) << "a paused clock stays put";
}

TEST(ClockRecord, ReaderRefusesWhatIsNotAClockAndCarriesItsMovementAcrossTheGap) {
    wire::ClockRecord good;
    good.set_device_at(kNoon);
    good.set_real_at(1.8e9);
    good.set_rate(60);
    auto read = springboard::clockRecordOf(good.SerializeAsString());
    ASSERT_TRUE(read) << read.reason();
    EXPECT_EQ(springboard::recordedNow(*read, 1.8e9 + 10), kNoon + 600) << "ten real seconds at x60";
    EXPECT_EQ(springboard::recordedNow(*read, 1.8e9 - 100), kNoon) << "a real clock set back moves nothing back";

    auto variant = [&](auto change) {
        wire::ClockRecord r = good;
        change(r);
        return springboard::clockRecordOf(r.SerializeAsString());
    };
    EXPECT_FALSE(variant([](auto& r) { r.set_rate(0); }));
    EXPECT_FALSE(variant([](auto& r) { r.set_rate(std::numeric_limits<double>::infinity()); }));
    EXPECT_FALSE(variant([](auto& r) { r.set_device_at(std::numeric_limits<double>::quiet_NaN()); }));
    EXPECT_FALSE(variant([](auto& r) { r.set_device_at(-1); }));
    EXPECT_FALSE(variant([](auto& r) { r.set_real_at(0); }));
    EXPECT_TRUE(variant([](auto& r) { r.set_real(true), r.set_rate(0); })) << "a real clock's record says nothing more";
    EXPECT_FALSE(springboard::clockRecordOf(std::string(300, '\x08')));
    EXPECT_FALSE(springboard::clockRecordOf("\xff\xff\xff"));
}

namespace {

class Notifications : public ::testing::Test {
protected:
    void SetUp() override { ns::useVirtualClock(kNoon); }
    static ns::Result<wire::NotificationList> post(const std::string& app, const std::string& title,
                                                   const std::string& body = {}, const std::string& at = {}) {
        wire::NotifyRequest r;
        r.mutable_post()->set_app(app);
        r.mutable_post()->set_title(title);
        r.mutable_post()->set_body(body);
        r.mutable_post()->set_at(at);
        return springboard::notify(r);
    }
    ns::ProcessScope fresh;
};

}  // namespace

TEST_F(Notifications, ANewStoreHoldsTodaysSamplesAndPostsComeNewestFirst) {
    auto samples = springboard::notifications();
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[0].app(), "Messages");
    EXPECT_LE(kNoon - samples[2].posted_at(), 24 * 3600) << "today's";

    auto list = post("Chat", "Hello", "", "2028-01-01T11:59:30Z");
    ASSERT_TRUE(list) << list.reason();
    ASSERT_TRUE(post("Chat", "Newest"));
    list = post("Chat", "Oldest", "", "2027-12-31T12:00:00Z");
    ASSERT_TRUE(list);
    ASSERT_EQ(list->notifications_size(), 6);
    EXPECT_EQ(list->notifications(0).title(), "Newest");
    EXPECT_EQ(list->notifications(0).when(), "now");
    EXPECT_EQ(list->notifications(1).title(), "Hello");
    EXPECT_EQ(list->notifications(1).when(), "now") << "under a minute";
    EXPECT_EQ(list->notifications(2).title(), "Anna");
    EXPECT_EQ(list->notifications(2).when(), "1m ago");
    EXPECT_EQ(list->notifications(5).title(), "Oldest");
}

TEST_F(Notifications, LimitsAreNamedWhenRefused) {
    EXPECT_NE(post("", "t").reason().find("needs the app"), std::string::npos);
    EXPECT_NE(post("Chat", "").reason().find("a title or a body"), std::string::npos);
    EXPECT_NE(post("Chat", std::string(1001, 'x')).reason().find("at most 1000"), std::string::npos);
    EXPECT_NE(post("Chat", "t", "\xc3\x28").reason().find("not UTF-8"), std::string::npos);
    EXPECT_NE(post("Chat", "t\x1b[2J").reason().find("control character"), std::string::npos);
    EXPECT_NE(post("Chat", "t", "", "3000-13-01T00:00:00").reason().find("not a date and time"), std::string::npos);
    std::string thousand;
    for (int i = 0; i < 1000; ++i) thousand += "\xF0\x9F\x98\x80";  // four bytes each
    EXPECT_TRUE(post("Chat", thousand)) << "characters are counted, not bytes";
    EXPECT_TRUE(post("Chat", "t", "line one\nline two")) << "a body may hold lines";

    for (auto i = springboard::notifications().size(); i < 100; ++i) ASSERT_TRUE(post("Chat", "n"));
    auto full = post("Chat", "one too many");
    ASSERT_FALSE(full);
    EXPECT_NE(full.reason().find("100 notifications"), std::string::npos) << full.reason();

    wire::NotifyRequest clear;
    clear.set_clear(4000);
    EXPECT_NE(springboard::notify(clear).reason().find("no notification has the id 4000"), std::string::npos);
    clear.mutable_clear_all();
    auto cleared = springboard::notify(clear);
    ASSERT_TRUE(cleared);
    EXPECT_EQ(cleared->notifications_size(), 0);
}

TEST(NotificationStoreReader, RefusesWhatTheStoreWouldNeverHold) {
    wire::NotificationStore s;
    s.set_next_id(2);
    auto add = [&](std::uint32_t id, const std::string& title) {
        wire::Notification& n = *s.add_notifications();
        n.set_id(id);
        n.set_app("Chat");
        n.set_title(title);
        n.set_posted_at(kNoon);
        return &n;
    };
    add(1, "one");
    add(2, "two");
    ASSERT_TRUE(springboard::notificationStoreOf(s.SerializeAsString()));
    wire::NotificationStore twice = s;
    twice.mutable_notifications(1)->set_id(1);
    EXPECT_FALSE(springboard::notificationStoreOf(twice.SerializeAsString())) << "an id twice";
    wire::NotificationStore beyond = s;
    beyond.set_next_id(1);
    EXPECT_FALSE(springboard::notificationStoreOf(beyond.SerializeAsString())) << "an id past the next one";
    wire::NotificationStore timeless = s;
    timeless.mutable_notifications(0)->set_posted_at(std::numeric_limits<double>::infinity());
    EXPECT_FALSE(springboard::notificationStoreOf(timeless.SerializeAsString()));
    wire::NotificationStore crowded;
    crowded.set_next_id(200);
    for (std::uint32_t i = 1; i <= 101; ++i) {
        wire::Notification& n = *crowded.add_notifications();
        n.set_id(i);
        n.set_app("A");
        n.set_title("t");
    }
    auto read = springboard::notificationStoreOf(crowded.SerializeAsString());
    ASSERT_FALSE(read);
    EXPECT_NE(read.reason().find("more than 100"), std::string::npos) << read.reason();
    EXPECT_FALSE(springboard::notificationStoreOf(std::string(springboard::kMaxStoreBytes + 1, '\0')));
}

TEST(NotificationText, EmojiRightToLeftAndCombiningMarksHaveGlyphsInThePlattersFonts) {
    const char* texts[] = {
        "Grüße 👋🏽 🎉 👨‍👩‍👧",              // emoji with a skin tone and a joined family
        "שלום עולם",                       // Hebrew, right to left
        "مرحبا بالعالم",                   // Arabic, right to left and joined
        "e\xCC\x81 a\xCC\x8A n\xCC\x83",  // combining accents
        "日本語の通知 한국어",
    };
    for (const char* font : {".SFUIText", ".SFUIText-Semibold"})
        for (const char* text : texts)
            EXPECT_EQ(render::missingGlyphs(text, font), 0) << "drawn as boxes in " << font << ": " << text;
}
