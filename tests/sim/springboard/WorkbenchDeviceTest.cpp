// The workbench on one booted device (version 11, Europe/Berlin, the panel on
// with a 12-hour clock and a custom date): the clock held in hand through the
// tool and the page's API, kept across a respring, every refused value with
// what is accepted; notifications posted, listed, bounded, kept and cleared.
// The cases run in order on the one device; each leaves the clock paused.
#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>

#include "Command.h"
#include "DumpReader.h"
#include "HttpClient.h"
#include "ServedProcess.h"

namespace {

using namespace std::chrono_literals;
using nlohmann::json;

class Workbench : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        device = new TestDevice({"--version", "11.1.2", "--screen", "375x667"});
        for (auto [key, value, type] :
             {std::tuple{"enableOVS", "true", "bool"}, std::tuple{"timeFormat", "2", "int"},
              std::tuple{"enableCDF", "true", "bool"}, std::tuple{"dayFormat", "EEEE", "string"},
              std::tuple{"dateFormat", "yyyy-MM-dd", "string"}})
            ASSERT_EQ(sim({"settings", path(), "set", key, value, "--type", type}).exitCode, 0);
        markUpdateNoticeSeen(path());
        Output booted = sim({"boot", path(), "--tz", "Europe/Berlin"});
        ASSERT_EQ(booted.exitCode, 0) << booted.err;
        served = new webtest::ServedProcess(path());
        ASSERT_GT(served->port(), 0) << "serve printed no address";
    }
    static void TearDownTestSuite() {
        delete served;
        delete device;
    }
    static const std::string& path() { return device->path(); }
    static Output clock(std::vector<std::string> more) {
        std::vector<std::string> args{"clock", path()};
        args.insert(args.end(), more.begin(), more.end());
        return sim(args);
    }
    static Output notify(std::vector<std::string> more) {
        std::vector<std::string> args{"notify", path()};
        args.insert(args.end(), more.begin(), more.end());
        return sim(args);
    }
    static webtest::Response post(const std::string& what, const json& body) {
        webtest::Connection c(served->port(), 30);
        std::string text = body.dump();
        EXPECT_TRUE(c.send(webtest::requestText("POST", what, served->port(), {{"Content-Type", "application/json"}}, text)));
        return c.read().value_or(webtest::Response{});
    }
    // The panel's labels' texts, joined, to look for a time or a date in.
    static std::string panelText() {
        std::string all;
        // A label with a flashing colon holds attributed pieces instead of a text.
        const Json dump = dumpOf(path());  // the labels point into it
        for (const Json* label : panelLabels(dump)) {
            if ((*label)["text"].is_string()) all += (*label)["text"].get<std::string>();
            if (label->contains("attributedText") && (*label)["attributedText"].is_array())
                for (const Json& piece : (*label)["attributedText"]) all += piece["text"].get<std::string>();
            all += "|";
        }
        return all;
    }
    static bool panelShows(const std::string& text) { return panelText().find(text) != std::string::npos; }
    static inline TestDevice* device = nullptr;
    static inline webtest::ServedProcess* served = nullptr;
};

TEST_F(Workbench, TwoDeviceSecondsAfter235958TheTwelveHourPanelShowsTheNewDay) {
    ASSERT_EQ(clock({"pause"}).exitCode, 0);
    Output set = clock({"set", "2026-12-31T23:59:58"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_NE(set.out.find("2026-12-31T23:59:58+01:00 (Europe/Berlin), paused"), std::string::npos) << set.out;
    EXPECT_TRUE(eventually(3000ms, [] { return panelShows("11:59") && panelShows("2026-12-31"); })) << panelText();
    ASSERT_EQ(clock({"advance", "2s"}).exitCode, 0);
    EXPECT_TRUE(eventually(3000ms, [] { return panelShows("12:00") && panelShows("2027-01-01"); })) << panelText();
    EXPECT_FALSE(panelShows("2026-12-31")) << panelText();
}

TEST_F(Workbench, BerlinAtTheChangeToSummerTimeShows0300TwoSecondsLater) {
    ASSERT_EQ(sim({"settings", path(), "set", "timeFormat", "1", "--type", "int"}).exitCode, 0);
    ASSERT_EQ(clock({"set", "2027-03-28T01:59:58"}).exitCode, 0);
    EXPECT_TRUE(eventually(3000ms, [] { return panelShows("01:59"); })) << panelText();
    Output later = clock({"advance", "2"});
    EXPECT_NE(later.out.find("2027-03-28T03:00:00+02:00"), std::string::npos) << later.out;
    EXPECT_TRUE(eventually(3000ms, [] { return panelShows("03:00"); })) << panelText();
    ASSERT_EQ(sim({"settings", path(), "set", "timeFormat", "2", "--type", "int"}).exitCode, 0);
}

TEST_F(Workbench, TheClocksModeAndTimeSurviveARespringAndShowInStatus) {
    ASSERT_EQ(clock({"set", "2030-05-05T10:00:00"}).exitCode, 0);
    ASSERT_EQ(clock({"rate", "x3600"}).exitCode, 0);
    ASSERT_EQ(clock({"pause"}).exitCode, 0);
    Output before = clock({});
    ASSERT_EQ(sim({"respring", path()}).exitCode, 0);
    Output after = clock({"show"});
    EXPECT_EQ(after.out, before.out) << "paused at x3600 before the respring, and after it";
    EXPECT_NE(after.out.find("paused at x3600"), std::string::npos) << after.out;
    Output status = sim({"status", path()});
    EXPECT_NE(status.out.find(before.out), std::string::npos) << status.out;

    // Running fast, it goes on from where it was, not from the boot's time.
    ASSERT_EQ(clock({"resume"}).exitCode, 0);
    ASSERT_EQ(sim({"respring", path()}).exitCode, 0);
    Output running = clock({"pause"});
    EXPECT_NE(running.out.find("2030-05-0"), std::string::npos) << running.out;
    EXPECT_EQ(running.out.find("2030-05-05T10:00:00"), std::string::npos) << "an hour a second moved it: " << running.out;
    ASSERT_EQ(clock({"rate", "1"}).exitCode, 0);
}

TEST_F(Workbench, RefusedValuesSayWhatIsAcceptedThroughTheToolAndThePage) {
    struct Case {
        std::vector<std::string> args;
        json body;
        const char* says;
    };
    const char* rates = "above 0 and at most 3600";
    const char* years = "1970 to 9999";
    const Case cases[] = {
        {{"rate", "0"}, {{"rate", 0}}, rates},
        {{"rate", "-10"}, {{"rate", -10}}, rates},
        {{"rate", "nan"}, {{"rate", "NaN"}}, rates},
        {{"rate", "3601"}, {{"rate", 3601}}, rates},
        {{"set", "1969-12-31T23:00:00"}, {{"set", "1969-12-31T23:00:00"}}, years},
        {{"set", "10000-01-01T00:00:00"}, {{"set", "10000-01-01T00:00:00"}}, years},
        {{"set", "2027-01-01T00:00:00", "--tz", "Mars/Olympus"}, {{"set", "2027-01-01T00:00:00"}, {"timeZone", "Mars/Olympus"}},
         "Europe/Berlin"},
        {{"set", "tomorrow"}, {{"set", "tomorrow"}}, "2027-03-28T01:59:58"},
    };
    const std::string before = clock({}).out;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.dump());
        Output out = clock(c.args);
        EXPECT_NE(out.exitCode, 0);
        EXPECT_NE(out.err.find(c.says), std::string::npos) << out.err;
        webtest::Response res = post("/api/clock", c.body);
        EXPECT_EQ(res.status, 400) << res.body;
        EXPECT_NE(res.body.find(c.says), std::string::npos) << res.body;
    }
    EXPECT_EQ(clock({}).out, before) << "a refused value changes nothing";
}

TEST_F(Workbench, ThePagesClockRoutesChangeTheDevicesClock) {
    webtest::Response set = post("/api/clock", {{"set", "2028-02-29T12:00:00"}});
    ASSERT_EQ(set.status, 200) << set.body;
    json answer = json::parse(set.body);
    EXPECT_EQ(answer["clock"]["iso"], "2028-02-29T12:00:00+01:00");
    EXPECT_EQ(answer["clock"]["paused"], true);
    webtest::Response step = post("/api/clock", {{"advance", -60}});
    EXPECT_EQ(json::parse(step.body)["clock"]["iso"], "2028-02-29T11:59:00+01:00") << step.body;
    webtest::Response real = post("/api/clock", {{"action", "real"}});
    EXPECT_EQ(json::parse(real.body)["clock"]["real"], true) << real.body;
    ASSERT_EQ(clock({"pause"}).exitCode, 0);
}

TEST_F(Workbench, NotificationsArePostedNewestFirstWithTheDevicesTimesAndKeptAcrossARespring) {
    ASSERT_EQ(clock({"set", "2027-06-01T09:00:00"}).exitCode, 0);
    ASSERT_EQ(notify({"clear", "--all"}).exitCode, 0);
    Output older = notify({"post", "--app", "Mail", "--title", "Invoice", "--body", "Due Friday", "--at", "2027-06-01T08:55:00"});
    ASSERT_EQ(older.exitCode, 0) << older.err;
    const std::string unicode = "Grüße 👋🏽 שלום e\xCC\x81";
    Output newer = notify({"post", "--app", "Chat", "--title", unicode, "--body", "Emoji, right-to-left, combining"});
    ASSERT_EQ(newer.exitCode, 0) << newer.err;
    Output list = notify({"list"});
    std::size_t chat = list.out.find("\tnow\tChat\t" + unicode), mail = list.out.find("\t5m ago\tMail\tInvoice\tDue Friday");
    ASSERT_NE(chat, std::string::npos) << list.out;
    ASSERT_NE(mail, std::string::npos) << list.out;
    EXPECT_LT(chat, mail) << "newest first";
    EXPECT_TRUE(eventually(3000ms, [&] { return !labelsWithText(dumpOf(path()), unicode).empty(); }))
        << "the text reaches the lock screen as it was sent";

    ASSERT_EQ(sim({"respring", path()}).exitCode, 0);
    EXPECT_EQ(notify({"list"}).out, list.out) << "kept across the respring";
    EXPECT_FALSE(labelsWithText(dumpOf(path()), "Invoice").empty());

    const std::string id = list.out.substr(0, list.out.find('\t'));
    ASSERT_EQ(notify({"clear", id}).exitCode, 0);
    EXPECT_EQ(notify({"list"}).out.find(unicode), std::string::npos);
    Output again = notify({"clear", id});
    EXPECT_NE(again.exitCode, 0);
    EXPECT_NE(again.err.find("no notification has the id " + id), std::string::npos) << again.err;
}

TEST_F(Workbench, NotificationLimitsAreNamedAndTheListStillBeginsWhereThePanelAsks) {
    ASSERT_EQ(notify({"clear", "--all"}).exitCode, 0);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(notify({"post", "--app", "Chat", "--title", "Note " + std::to_string(i)}).exitCode, 0);
    const Rect three = rectOf(dumpOf(path())["notificationList"]["frame"]);
    for (int i = 3; i < 10; ++i) ASSERT_EQ(notify({"post", "--app", "Chat", "--title", "Note " + std::to_string(i)}).exitCode, 0);
    Json ten = dumpOf(path());
    EXPECT_EQ(rectOf(ten["notificationList"]["frame"]).y, three.y) << "ten notifications start where three did";
    EXPECT_EQ(viewsOfClass(ten, "NCNotificationShortLookView").size(), 10u);

    Output longTitle = notify({"post", "--app", "Chat", "--title", std::string(1001, 'a')});
    EXPECT_NE(longTitle.exitCode, 0);
    EXPECT_NE(longTitle.err.find("at most 1000"), std::string::npos) << longTitle.err;
    webtest::Response page = post("/api/notifications", {{"app", "Chat"}, {"body", std::string(1001, 'b')}});
    EXPECT_EQ(page.status, 400);
    EXPECT_NE(page.body.find("at most 1000"), std::string::npos) << page.body;
    // 1000 characters of four bytes each are within the limit.
    std::string emoji;
    for (int i = 0; i < 1000; ++i) emoji += "😀";
    EXPECT_EQ(notify({"post", "--app", "Chat", "--body", emoji}).exitCode, 0);

    for (int i = 11; i < 100; ++i) ASSERT_EQ(notify({"post", "--app", "Chat", "--title", "n"}).exitCode, 0) << i;
    Output full = notify({"post", "--app", "Chat", "--title", "one too many"});
    EXPECT_NE(full.exitCode, 0);
    EXPECT_NE(full.err.find("100 notifications"), std::string::npos) << full.err;
    webtest::Response malformed = post("/api/notifications/clear", {{"id", "x"}});
    EXPECT_EQ(malformed.status, 400) << malformed.body;
    ASSERT_EQ(notify({"clear", "--all"}).exitCode, 0);
    EXPECT_EQ(notify({"list"}).out, "");
}

}  // namespace
