// The dump's pieces: views as JSON, instants as ISO text, and the registry of
// installed hooks that the dump lists.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include <errno.h>
#include <unistd.h>

#include "dump/DeviceDump.h"
#include "dump/IsoTime.h"
#include "dump/ViewJson.h"
#include "foundation/PropertyList.h"
#include "substrate/Substrate.h"
#include "uikit/UIKit.h"
#include "weather/WeatherRecord.h"

namespace {

using Json = nlohmann::ordered_json;

class Zone {
public:
    explicit Zone(const char* zone) {
        const char* old = std::getenv("TZ");
        if (old) old_ = old;
        had_ = old != nullptr;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~Zone() {
        if (had_) setenv("TZ", old_.c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

private:
    std::string old_;
    bool had_ = false;
};

TEST(DumpViewJson, LabelsCarryTheirTextColourFontAndColourRuns) {
    ui::registerUIKitClasses();
    id root = ui::makeView(CGRectMake(0, 0, 100, 200));
    id label = ui::makeLabel(CGRectMake(5, 6, 50, 20));
    ui::setText(label, NSStr("21:05"));
    ui::setFont(label, ui::fontWithName_size(NSStr("PingFangSC-Thin"), 55));
    ui::setTextColor(label, ui::whiteColor());
    ui::setTextAlignment(label, NSTextAlignmentCenter);
    id attributed = ui::makeLabel();
    id text = ui::mutableAttributedString("21:05");
    ui::addAttribute_value_range(text, NSStr(NSForegroundColorAttributeName), ui::clearColor(), NSMakeRange(2, 1));
    ui::setAttributedText(attributed, text);
    id image = ui::makeImageView(CGRectMake(0, 0, 10, 10));
    ui::setHidden(image, true);
    ui::setAlpha(root, 0.5);
    ui::setBackgroundColor(root, ui::colorWithWhite_alpha(0, 0.35));
    for (const id& v : {label, attributed, image}) ui::addSubview(root, v);

    Json out = dump::viewJson(root);
    EXPECT_EQ(out["class"], "UIView");
    EXPECT_EQ(out["alpha"], 0.5);
    EXPECT_EQ(out["backgroundColor"], Json::array({0.0, 0.0, 0.0, 0.35}));
    EXPECT_FALSE(out.contains("text"));
    ASSERT_EQ(out["subviews"].size(), 3u);
    const Json& l = out["subviews"][0];
    EXPECT_EQ(l["frame"], Json::array({5.0, 6.0, 50.0, 20.0}));
    EXPECT_EQ(l["text"], "21:05");
    EXPECT_EQ(l["textColor"], Json::array({1.0, 1.0, 1.0, 1.0}));
    EXPECT_EQ(l["font"]["name"], "PingFangSC-Thin");
    EXPECT_EQ(l["font"]["size"], 55);
    EXPECT_EQ(l["textAlignment"], 1);
    EXPECT_EQ(l["numberOfLines"], 1);
    EXPECT_TRUE(l["attributedText"].is_null());
    EXPECT_TRUE(l["backgroundColor"].is_null());
    // Runs cut where the colour changes; a run without its own colour is null.
    const Json& runs = out["subviews"][1]["attributedText"];
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0]["text"], "21");
    EXPECT_TRUE(runs[0]["color"].is_null());
    EXPECT_EQ(runs[1]["text"], ":");
    EXPECT_EQ(runs[1]["color"], Json::array({0.0, 0.0, 0.0, 0.0}));
    const Json& imageView = out["subviews"][2];
    EXPECT_EQ(imageView["hidden"], true);
    EXPECT_EQ(imageView["image"], false);
    EXPECT_FALSE(imageView.contains("text"));
    // The keys come in the documented order.
    std::vector<std::string> keys;
    for (auto it = l.begin(); it != l.end(); ++it) keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"class", "library", "frame", "alpha", "hidden", "backgroundColor", "text",
                                              "textColor", "font", "textAlignment", "numberOfLines", "attributedText",
                                              "subviews"}));
    EXPECT_TRUE(dump::viewJson(id{}).is_null());
}

// Each view names the library that registered its class (the toolkit's for
// its own views), and labels say how their text fits when a measure is given.
TEST(DumpViewJson, NamesEachClassLibraryAndHowTextFits) {
    ui::registerUIKitClasses();
    id root = ui::makeView(CGRectMake(0, 0, 100, 200));
    id label = ui::makeLabel(CGRectMake(5, 6, 50, 20));
    ui::setText(label, NSStr("a text"));
    ui::addSubview(root, label);
    rt::Class* own = rt::objc_getClass("DumpTestOwnView");
    if (!own) own = rt::objc_registerClass("DumpTestOwnView", rt::objc_getClass("UIView"));
    ui::addSubview(root, ui::makeView(own, CGRectMake(0, 0, 1, 1)));
    Json out = dump::viewJson(root, [](const id&) { return dump::TextFit{3, 2, true, 48, 40, 1, 2, 46, 36}; });
    const std::string uikit = out["library"];
    EXPECT_NE(uikit.find("uikit"), std::string::npos) << uikit;
    EXPECT_EQ(out["subviews"][0]["library"], uikit);
    // A class this program registered is this program's.
    EXPECT_EQ(out["subviews"][1]["library"], std::filesystem::path(program_invocation_name).filename().string());
    EXPECT_EQ(out["subviews"][0]["textFit"],
              Json({{"lines", 3}, {"shownLines", 2}, {"truncated", true}, {"width", 48.0}, {"height", 40.0},
                    {"ink", Json::array({1.0, 2.0, 46.0, 36.0})}}));
    EXPECT_FALSE(dump::viewJson(label).contains("textFit")) << "no measure, no fit";
}

TEST(DumpIsoTime, ReadsAndWritesInstantsWithAndWithoutAZone) {
    Zone berlin("Europe/Berlin");
    // 2026-12-07T21:05:02Z
    const double instant = 1796677502;
    EXPECT_EQ(dump::parseIsoTime("2026-12-07T21:05:02Z"), instant);
    EXPECT_EQ(dump::parseIsoTime("2026-12-07T22:05:02+01:00"), instant);
    EXPECT_EQ(dump::parseIsoTime("2026-12-07T16:05:02-0500"), instant);
    EXPECT_EQ(dump::parseIsoTime("2026-12-07T22:05:02"), instant);  // Berlin's winter time
    EXPECT_EQ(dump::parseIsoTime("2026-12-07T22:05"), instant - 2);
    EXPECT_EQ(dump::isoTime(instant), "2026-12-07T22:05:02+01:00");
    EXPECT_EQ(dump::isoTime(instant + 0.9), "2026-12-07T22:05:02+01:00");
    // Summer time shows its own offset.
    EXPECT_EQ(dump::isoTime(*dump::parseIsoTime("2026-07-01T12:00:00Z")), "2026-07-01T14:00:00+02:00");
    EXPECT_EQ(dump::parseIsoTime("2024-02-29T00:00Z"), 1709164800);
    for (const char* bad : {"", "soon", "2026-02-29T10:00", "2026-13-01T10:00", "2026-12-07", "2026-12-07T24:00",
                            "2026-12-07T21:05:02+1", "2026-12-07T21:05:02Zx", "2026-12-07T21:61", "2026-12-07T21:05:02 "})
        EXPECT_FALSE(dump::parseIsoTime(bad)) << bad;
}

TEST(HookRegistry, ListsEachInstalledHookInOrderAndNothingRefused) {
    rt::Class* cls = rt::objc_registerClass("HookRegistryProbe", rt::NSObjectClass());
    rt::defineMethod(cls, "first", +[](id, SEL) {});
    rt::defineMethod(cls, "second", +[](id, SEL) -> int { return 1; });
    auto before = substrate::installedHooks().size();
    static void (*stockFirst)(id, SEL) = nullptr;
    static int (*stockSecond)(id, SEL) = nullptr;
    static void (*wrongSignature)(id, SEL) = nullptr;
    MSHookMessageEx(cls, rt::sel_registerName("second"), +[](id, SEL) -> int { return 2; }, &stockSecond);
    MSHookMessageEx(cls, rt::sel_registerName("first"), +[](id, SEL) {}, &stockFirst);
    // A missing selector and a refused signature change nothing and are not listed.
    MSHookMessageEx(cls, rt::sel_registerName("missing"), +[](id, SEL) {}, &stockFirst);
    EXPECT_THROW(MSHookMessageEx(cls, rt::sel_registerName("second"), +[](id, SEL) {}, &wrongSignature), rt::Error);
    MSHookMessageEx(rt::objc_getClass("NoSuchClass"), rt::sel_registerName("first"), +[](id, SEL) {}, &stockFirst);
    auto hooks = substrate::installedHooks();
    ASSERT_EQ(hooks.size(), before + 2);
    EXPECT_EQ(hooks[before], (substrate::InstalledHook{"HookRegistryProbe", "second"}));
    EXPECT_EQ(hooks[before + 1], (substrate::InstalledHook{"HookRegistryProbe", "first"}));
}

TEST(WeatherRecordFile, MissingPartsReadAsTheSampleAndWritesRoundTrip) {
    std::string folder = testing::TempDir() + "weather-record-" + std::to_string(getpid());
    std::string file = folder + "/deeper/current.plist";
    EXPECT_EQ(weather::readRecord(file), weather::Record{});
    weather::Record record{"-3°", "Oslo", "Light snow", "snow"};
    ASSERT_TRUE(weather::writeRecord(file, record));
    EXPECT_EQ(weather::readRecord(file), record);
    // A record with a key of the wrong kind keeps the sample's value for it.
    id partial = NSDictionaryNew();
    rt::cast<NSDictionary>(partial)->setObject(NSStr("Lima"), "location");
    rt::cast<NSDictionary>(partial)->setObject(NSNum(12), "temperature");
    ASSERT_TRUE(ns::writeToFile(partial, file));
    weather::Record read = weather::readRecord(file);
    EXPECT_EQ(read.location, "Lima");
    EXPECT_EQ(read.temperature, weather::Record{}.temperature);
    EXPECT_TRUE(weather::isKnownIcon("rain"));
    EXPECT_FALSE(weather::isKnownIcon("fog"));
    std::filesystem::remove_all(folder);
}

TEST(WeatherRecordFile, AValueTheRecordLacksStaysMissing) {
    std::string folder = testing::TempDir() + "weather-lacking-" + std::to_string(getpid());
    std::string file = folder + "/current.plist";
    weather::Record record{std::nullopt, "Oslo", std::nullopt, std::nullopt};
    ASSERT_TRUE(weather::writeRecord(file, record));
    EXPECT_EQ(weather::readRecord(file), record);
    auto written = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(file));
    ASSERT_TRUE(written);
    EXPECT_EQ(written->entries.size(), 1u);  // only the location
    EXPECT_EQ(weather::recordFromData(weather::recordData(weather::Record{"3°", std::nullopt, "Fog", "cloud"})),
              (weather::Record{"3°", std::nullopt, "Fog", "cloud"}));
    std::filesystem::remove_all(folder);
}

}  // namespace

TEST(DumpText, ATextWithInvalidBytesIsShownReplacedNeverAFailedDump) {
    ui::registerUIKitClasses();
    id root = ui::makeView(CGRectMake(0, 0, 100, 200));
    id label = ui::makeLabel(CGRectMake(0, 0, 50, 20));
    ui::setText(label, NSStr(std::string("21\xff\xfe:05 \xc3", 9)));  // not UTF-8, as a tweak may set it
    ui::addSubview(root, label);
    Json document;
    document["views"] = dump::viewJson(root);
    std::string text;
    ASSERT_NO_THROW(text = dump::documentText(document));
    Json back = Json::parse(text);
    EXPECT_EQ(back["views"]["subviews"][0]["text"], "21\xef\xbf\xbd\xef\xbf\xbd:05 \xef\xbf\xbd");
}
