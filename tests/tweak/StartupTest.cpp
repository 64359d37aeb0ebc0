// Loading the tweak library: what it installs, and the one-time notice. Each
// case runs in a child process of its own, since the load-time routine runs
// once per process.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "InChild.h"
#include "Settings.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/PropertyList.h"
#include "graphics/Geometry.h"
#include "substrate/Substrate.h"
#include "uikit/UIAlertView.h"
#include "uikit/UIDevice.h"

using namespace orvelle;

namespace {

// Stand-ins of the host's classes with the stock selectors the tweak hooks.
void noop(id, SEL) {}
void noopObject(id, SEL, id) {}
void noopBool(id, SEL, bool) {}
void noopFrame(id, SEL, CGRect) {}
void noopFormat(id, SEL, unsigned long) {}
unsigned long stockFormat(id, SEL) { return 7; }
id stockInit(id self, SEL) { return self; }
double stockListMinY(id, SEL) { return 1; }
CGRect stockListFrame(id, SEL) { return CGRectMake(1, 2, 3, 4); }
bool stockToday(id, SEL, id*) { return true; }
void stockSetText(id, SEL, id, id, bool) {}

struct Row {
    const char* cls;
    const char* sel;
};

const Row kRows[] = {
    {"WATodayPadViewStyle", "format"},
    {"WATodayPadViewStyle", "setFormat:"},
    {"WATodayPadView", "setTemperature:"},
    {"WATodayPadView", "setConditionsImage:"},
    {"WATodayPadView", "setLocationName:"},
    {"WATodayPadView", "setConditionsLine:"},
    {"SBFLockScreenDateView", "layoutSubviews"},
    {"SBFLockScreenDateView", "setFrame:"},
    {"SBLockScreenDateViewController", "init"},
    {"SBLockScreenDateViewController", "loadView"},
    {"SBLockScreenDateViewController", "_updateView"},
    {"TCBackgroundViewController", "init"},
    {"SBDashBoardMainPageContentViewController", "loadView"},
    {"SBDashBoardMainPageContentViewController", "viewWillAppear:"},
    {"SBDashBoardMainPageContentViewController", "viewDidLoad"},
    {"SBDashBoardMainPageContentViewController", "viewDidLayoutSubviews"},
    {"SBDashBoardMediaArtworkView", "didMoveToWindow"},
    {"SBDashBoardMediaArtworkView", "removeFromSuperview"},
    {"SBUICallToActionLabel", "setText:forLanguage:animated:"},
    {"SBPolicyAggregator", "_allowsCapabilityLockScreenTodayViewWithExplanation:"},
    {"SpringBoard", "applicationDidFinishLaunching:"},
    {"SBMainDisplayPolicyAggregator", "_allowsCapabilityLockScreenTodayViewWithExplanation:"},
    {"SBDashBoardViewController", "listMinY"},
    {"SBDashBoardNotificationListViewController", "_suggestedListViewFrame"},
};

rt::Class* hostClass(const char* name, rt::Class* super = rt::NSObjectClass()) {
    if (rt::Class* c = rt::objc_getClass(name)) return c;
    return rt::objc_registerClass(name, super);
}

// The host's stand-ins, each selector defined unless the test defined it otherwise.
void registerHostExcept(const char* keptClass, const char* keptSelector);

void registerHost() { registerHostExcept("", ""); }

void registerHostExcept(const char* keptClass, const char* keptSelector) {
    auto defineMethod = [&](rt::Class* cls, const char* sel, auto imp) {
        if (cls->name() == keptClass && std::string(sel) == keptSelector) return;
        rt::defineMethod(cls, sel, imp);
    };
    rt::Class* style = hostClass("WATodayPadViewStyle");
    defineMethod(style, "format", &stockFormat);
    defineMethod(style, "setFormat:", &noopFormat);
    rt::Class* pad = hostClass("WATodayPadView");
    for (const char* s : {"setTemperature:", "setConditionsImage:", "setLocationName:", "setConditionsLine:"})
        defineMethod(pad, s, &noopObject);
    rt::Class* dateView = hostClass("SBFLockScreenDateView");
    defineMethod(dateView, "layoutSubviews", &noop);
    defineMethod(dateView, "setFrame:", &noopFrame);
    rt::Class* dateController = hostClass("SBLockScreenDateViewController");
    defineMethod(dateController, "init", &stockInit);
    defineMethod(dateController, "loadView", &noop);
    defineMethod(dateController, "_updateView", &noop);
    defineMethod(hostClass("TCBackgroundViewController"), "init", &stockInit);
    rt::Class* page = hostClass("SBDashBoardMainPageContentViewController");
    defineMethod(page, "loadView", &noop);
    defineMethod(page, "viewWillAppear:", &noopBool);
    defineMethod(page, "viewDidLoad", &noop);
    defineMethod(page, "viewDidLayoutSubviews", &noop);
    rt::Class* artwork = hostClass("SBDashBoardMediaArtworkView");
    defineMethod(artwork, "didMoveToWindow", &noop);
    defineMethod(artwork, "removeFromSuperview", &noop);
    defineMethod(hostClass("SBUICallToActionLabel"), "setText:forLanguage:animated:", &stockSetText);
    defineMethod(hostClass("SBPolicyAggregator"), "_allowsCapabilityLockScreenTodayViewWithExplanation:",
                     &stockToday);
    defineMethod(hostClass("SpringBoard", rt::objc_getClass("UIApplication")), "applicationDidFinishLaunching:",
                     &noopObject);
    defineMethod(hostClass("SBMainDisplayPolicyAggregator"),
                     "_allowsCapabilityLockScreenTodayViewWithExplanation:", &stockToday);
    defineMethod(hostClass("SBDashBoardViewController"), "listMinY", &stockListMinY);
    defineMethod(hostClass("SBDashBoardNotificationListViewController"), "_suggestedListViewFrame",
                     &stockListFrame);
}

std::map<std::string, rt::IMP> snapshot() {
    std::map<std::string, rt::IMP> imps;
    for (const Row& r : kRows) {
        rt::Method* m = rt::objc_getClass(r.cls)->ownMethod(rt::sel_registerName(r.sel));
        imps[std::string(r.cls) + " " + r.sel] = m ? m->imp : nullptr;
    }
    return imps;
}

// Rows (1-based, as numbered in the table above) whose implementation changed.
std::vector<int> hookedRows(const std::map<std::string, rt::IMP>& before) {
    std::vector<int> rows;
    auto after = snapshot();
    for (int i = 0; i < static_cast<int>(std::size(kRows)); ++i) {
        std::string key = std::string(kRows[i].cls) + " " + kRows[i].sel;
        if (after[key] != before.at(key)) rows.push_back(i + 1);
    }
    return rows;
}

std::vector<int> range(int from, int to) {
    std::vector<int> r;
    for (int i = from; i <= to; ++i) r.push_back(i);
    return r;
}

int modelQuestions = 0;
id (*stockModel)(id, SEL) = nullptr;
id countedModel(id self, SEL cmd) {
    ++modelQuestions;
    return stockModel(self, cmd);
}

void setSwitch(bool present, bool on) {
    std::filesystem::create_directories(kPreferencesFolder);
    std::filesystem::remove(kSettingsFile);
    if (!present) return;
    auto d = rt::cast<NSDictionary>(NSDictionaryNew());
    d->setObject(NSNum(on), "enableOVS");
    ASSERT_TRUE(ns::writeToFile(d, kSettingsFile));
}

// Sets up the host and the device, loads the tweak, and answers which rows were hooked.
std::vector<int> loadTweak(const std::string& model, const std::string& version) {
    registerHost();
    ui::DeviceProfile profile;
    profile.model = model;
    profile.systemVersion = version;
    ui::configureDevice(profile);
    MSHookMessageEx(rt::objc_getClass("UIDevice"), rt::sel_registerName("model"), &countedModel, &stockModel);
    auto before = snapshot();
    if (!dlopen(ORVELLE_TWEAK_PATH, RTLD_NOW | RTLD_GLOBAL)) {
        ADD_FAILURE() << "cannot load the tweak: " << dlerror();
        return {};
    }
    return hookedRows(before);
}

bool pageAnswers(const char* selector) {
    return rt::objc_getClass("SBDashBoardMainPageContentViewController")->ownMethod(rt::sel_registerName(selector));
}

using test_support::inChild;

}  // namespace

TEST(Startup, SwitchOffOrMissingInstallsNothingAndNeverAsksTheModel) {
    for (bool present : {false, true}) {
        inChild([present] {
            setSwitch(present, false);
            EXPECT_TRUE(loadTweak("iPhone", "11.1.2").empty());
            EXPECT_FALSE(pageAnswers("hide"));
            EXPECT_FALSE(pageAnswers("orvelleClockViewController"));
            EXPECT_EQ(modelQuestions, 0);
        });
    }
}

TEST(Startup, TabletsAreLeftAlone) {
    inChild([] {
        setSwitch(true, true);
        EXPECT_TRUE(loadTweak("iPad", "11.1.2").empty());
        EXPECT_FALSE(pageAnswers("update"));
        EXPECT_EQ(modelQuestions, 1);
    });
}

TEST(Startup, VersionElevenAndAboveGetTheirGroup) {
    for (const char* model : {"iPhone", "iPod touch"}) {
        inChild([model] {
            setSwitch(true, true);
            auto expected = range(1, 23);
            EXPECT_EQ(loadTweak(model, "11.0"), expected);
            EXPECT_TRUE(pageAnswers("hide"));
        });
    }
}

TEST(Startup, BelowElevenOrUnparsableGetTheOtherGroup) {
    for (const char* version : {"10.3.3", "banana", ""}) {
        inChild([version] {
            setSwitch(true, true);
            auto expected = range(1, 21);
            expected.push_back(24);
            EXPECT_EQ(loadTweak("iPhone", version), expected) << version;
        });
    }
}

TEST(Startup, PageControllersHoldTheirAddedPropertiesApart) {
    inChild([] {
        setSwitch(true, true);
        loadTweak("iPhone", "11.1.2");
        rt::Class* page = rt::objc_getClass("SBDashBoardMainPageContentViewController");
        for (const char* s : {"hide", "show", "update"})
            EXPECT_EQ(page->ownMethod(rt::sel_registerName(s))->types, "v@:");
        for (const char* s : {"orvelleClockViewController", "weatherController", "fuck"})
            EXPECT_EQ(page->ownMethod(rt::sel_registerName(s))->types, "@@:");
        for (const char* s : {"setOrvelleClockViewController:", "setWeatherController:", "setFuck:"})
            EXPECT_EQ(page->ownMethod(rt::sel_registerName(s))->types, "v@:@");

        id a = rt::allocInit(page);
        id b = rt::allocInit(page);
        EXPECT_EQ(rt::send<id()>(a, "orvelleClockViewController"), nullptr);
        id x = NSStr("x"), y = NSStr("y"), z = NSStr("z");
        rt::send<void(id)>(a, "setOrvelleClockViewController:", x);
        rt::send<void(id)>(a, "setWeatherController:", y);
        rt::send<void(id)>(b, "setOrvelleClockViewController:", z);
        EXPECT_EQ(rt::send<id()>(a, "orvelleClockViewController"), x);
        EXPECT_EQ(rt::send<id()>(a, "weatherController"), y);
        EXPECT_EQ(rt::send<id()>(a, "fuck"), nullptr);
        EXPECT_EQ(rt::send<id()>(b, "orvelleClockViewController"), z);
        EXPECT_EQ(rt::send<id()>(b, "weatherController"), nullptr);
        rt::send<void(id)>(a, "setOrvelleClockViewController:", id{});
        EXPECT_EQ(rt::send<id()>(a, "orvelleClockViewController"), nullptr);
    });
}

TEST(UpdateNotice, ShownOnceThenTheMarkerKeepsItAway) {
    inChild([] {
        setSwitch(true, true);
        std::ofstream(std::string(kPreferencesFolder) + "/com.tovik.orvellehasbeenupdated130.plist") << "old";
        std::filesystem::remove(kUpdateMarkerFile);
        loadTweak("iPhone", "11.1.2");
        std::vector<std::string> lines;
        ns::setLogSink([&](const std::string& line) { lines.push_back(line.substr(0, line.find('\n'))); });

        id app = rt::allocInit(rt::objc_getClass("SpringBoard"));
        rt::send<void(id)>(app, "applicationDidFinishLaunching:", app);
        ASSERT_EQ(std::count(lines.begin(), lines.end(), "OVS: OrvelleiOS has been updated."), 1);
        auto alerts = ui::shownAlerts();
        ASSERT_EQ(alerts.size(), 1u);
        auto alert = rt::cast<UIAlertView>(alerts[0]);
        EXPECT_EQ(alert->title, "OrvelleiOS");
        EXPECT_EQ(alert->message,
                  "Now OrvelleiOS can automatically change the color of clock/weather label.\n\n"
                  "Animation was improved in iOS 11.\n\n\":\" also has an animation now");
        EXPECT_EQ(alert->buttons, std::vector<std::string>{"Okay!"});
        EXPECT_EQ(alert->delegate.lock(), app);
        struct stat st {};
        ASSERT_EQ(stat(kUpdateMarkerFile, &st), 0);
        EXPECT_EQ(st.st_size, 0);
        EXPECT_FALSE(std::filesystem::exists(std::string(kPreferencesFolder) + "/com.tovik.orvellehasbeenupdated130.plist"));

        // The next start finds the marker: no line, no alert; a stray post stays harmless.
        rt::send<void(id)>(app, "applicationDidFinishLaunching:", app);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "OVS: OrvelleiOS has been updated."), 1);
        EXPECT_EQ(ui::shownAlerts().size(), 1u);
        ns::postNotification(kShowConfigWindowNow, id{});
    });
}


// A host whose method has another signature than the tweak expects: the
// tweak's start-up fails with one log line, inside its own load, and the host
// loads on.
TEST(Startup, AFailingStartUpIsLoggedAndTheHostLoadsOn) {
    inChild([] {
        setSwitch(true, true);
        std::vector<std::string> lines;
        ns::setLogSink([&](const std::string& line) { lines.push_back(line); });
        rt::Class* page = hostClass("SBDashBoardMainPageContentViewController");
        rt::defineMethod(page, "loadView", &noopBool);  // not void() as on the device
        registerHostExcept("SBDashBoardMainPageContentViewController", "loadView");
        ui::DeviceProfile profile;
        ui::configureDevice(profile);
        EXPECT_TRUE(dlopen(ORVELLE_TWEAK_PATH, RTLD_NOW | RTLD_GLOBAL)) << "the tweak's load took the host down";
        ns::setLogSink({});
        bool logged = false;
        for (const auto& l : lines)
            logged |= l.find("OVS: start-up failed: ") != std::string::npos && l.find("loadView") != std::string::npos;
        EXPECT_TRUE(logged) << (lines.empty() ? "nothing was logged" : lines.back());
    });
}
