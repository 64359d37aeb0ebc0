// The home screen's lock screen in-process: the order of its life, where it
// puts the notification list, the media artwork, the today policy and the
// weather widget's refreshes. Each case starts the host in a child process of
// its own, as each SpringBoard start does.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "HostClass.h"
#include "LiveScreen.h"
#include "Legibility.h"
#include "LockScreen.h"
#include "LockScreenCommands.h"
#include "Screen.h"
#include "wire/Frame.h"
#include "wire/Requests.h"
#include "renderer/Renderer.h"
#include "foundation/RunLoop.h"
#include "graphics/ImageFile.h"
#include "substrate/Substrate.h"
#include "uikit/Layout.h"
#include "uikit/UIKit.h"

namespace {

#define CHECK(condition)                                                  \
    if (!(condition)) {                                                   \
        std::fprintf(stderr, "failed at line %d: %s\n", __LINE__, #condition); \
        std::exit(1);                                                     \
    }

std::vector<std::string>& events() {
    static auto* e = new std::vector<std::string>;
    return *e;
}

void startHost(const char* version) {
    ui::DeviceProfile device;
    device.systemVersion = version;
    device.screenWidth = 320;
    device.screenHeight = 568;
    ui::configureDevice(device);
    ns::useVirtualClock(1796677502);
    springboard::registerAllHostClasses(std::atoi(version));
}

// Records each call of a stock method (by name) and runs it.
template <class Sig>
struct Recorder;
template <class R, class... A>
struct Recorder<R(A...)> {
    static inline R (*stock)(id, SEL, A...) = nullptr;
    static inline std::string name;
    static R call(id self, SEL sel, A... args) {
        events().push_back(name);
        return stock(self, sel, args...);
    }
    static void install(const char* cls, const char* sel) {
        name = sel;
        MSHookMessageEx(rt::objc_getClass(cls), rt::sel_registerName(sel), &call, &stock);
    }
};

std::size_t indexOf(const std::string& event) {
    for (std::size_t i = 0; i < events().size(); ++i)
        if (events()[i] == event) return i;
    return events().size();
}

std::string callToActionText() {
    id page = ui::view(springboard::lockScreen().page);
    for (const id& v : ui::subviews(page))
        if (rt::isKindOfClass(v, "SBUICallToActionLabel")) return str(ui::text(ui::subviews(v).at(0)));
    return "<none>";
}

TEST(HostLife, RunsInTheDevicesOrderAndPlacesTheListWhereVersion11Says) {
    EXPECT_EXIT(
        {
            startHost("11.1.2");
            Recorder<id()>::install("SBLockScreenDateViewController", "init");
            Recorder<void()>::install("SBDashBoardMainPageContentViewController", "loadView");
            Recorder<void(bool)>::install("SBDashBoardMainPageContentViewController", "viewWillAppear:");
            static double (*stockMinY)(id, SEL) = nullptr;
            MSHookMessageEx(rt::objc_getClass("SBDashBoardViewController"), rt::sel_registerName("listMinY"),
                            +[](id, SEL) { events().push_back("listMinY"); return 321.0; }, &stockMinY);
            static void (*stockDidLoad)(id, SEL) = nullptr;
            MSHookMessageEx(rt::objc_getClass("SBDashBoardMainPageContentViewController"),
                            rt::sel_registerName("viewDidLoad"),
                            +[](id self, SEL sel) { events().push_back("viewDidLoad"); stockDidLoad(self, sel); },
                            &stockDidLoad);
            springboard::startLockScreen();
            CHECK(indexOf("init") < indexOf("loadView"));
            CHECK(indexOf("loadView") < indexOf("viewDidLoad"));
            CHECK(indexOf("viewDidLoad") < indexOf("viewWillAppear:"));
            CHECK(indexOf("viewWillAppear:") < events().size());
            // Layout comes with the run loop's pass, and asks where the list begins.
            CHECK(indexOf("listMinY") == events().size());
            ui::layoutPass();
            CHECK(indexOf("listMinY") < events().size());
            auto list = springboard::notificationListFrame();
            CHECK(list && *list == CGRectMake(0, 321, 320, 568 - 321));
            // Locked it asks to unlock; after a fingerprint's match, to open.
            CHECK(callToActionText() == "Press home to unlock");
            springboard::setLockState(springboard::LockState::Unlocked);
            CHECK(callToActionText() == "Press home to open");
            // The stock date view stands where the modal view says the date and time go.
            id dateView = ui::view(springboard::lockScreen().dateController);
            CGRect expected = rt::send<CGRect()>(rt::allocInit("SBDashBoardModalView"), "_dateTimeFrame");
            CHECK(ui::frame(dateView) == expected);
            CHECK(ui::superview(dateView) == ui::view(springboard::lockScreen().page));
            CHECK(ui::keyWindow() == springboard::lockScreen().window);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(HostLife, Version10TakesTheListRectangleAndTheHostsOwnWhileMediaPlays) {
    EXPECT_EXIT(
        {
            startHost("10.3.3");
            springboard::startLockScreen();
            ui::layoutPass();
            CGRect idle = *springboard::notificationListFrame();
            CHECK(idle.origin.y > 0 && idle.size.width == 320 && CGRectGetMaxY(idle) == 568);
            CHECK(callToActionText() == "Press home to unlock");

            Recorder<void()>::install("SBDashBoardMediaArtworkView", "didMoveToWindow");
            springboard::setMediaPlaying(true);
            id app = ui::sharedApplication();
            CHECK(rt::send<int()>(app, "nowPlayingProcessPID") != 0);
            CHECK(rt::send<bool()>(app, "isNowPlayingAppPlaying"));
            id artwork = springboard::lockScreen().artwork;
            CHECK(artwork && ui::superview(artwork) == ui::view(springboard::lockScreen().page));
            CHECK(indexOf("didMoveToWindow") < events().size());
            ui::layoutPass();
            // The controls lie under the artwork, and the list under them.
            id controls;
            for (const id& v : ui::subviews(ui::view(springboard::lockScreen().page)))
                if (rt::isKindOfClass(v, "MPULockScreenMediaControlsView")) controls = v;
            CHECK(controls && CGRectGetMinY(ui::frame(controls)) > CGRectGetMaxY(ui::frame(artwork)));
            CGRect playing = *springboard::notificationListFrame();
            CHECK(playing.origin.y == CGRectGetMaxY(ui::frame(controls)) + 10);
            // Playing twice adds no second artwork.
            springboard::setMediaPlaying(true);
            int artworks = 0;
            for (const id& v : ui::subviews(ui::view(springboard::lockScreen().page)))
                artworks += rt::isKindOfClass(v, "SBDashBoardMediaArtworkView") ? 1 : 0;
            CHECK(artworks == 1);

            springboard::setMediaPlaying(false);
            CHECK(!ui::superview(artwork) && !springboard::lockScreen().artwork);
            CHECK(rt::send<int()>(app, "nowPlayingProcessPID") == 0);
            ui::layoutPass();
            CHECK(*springboard::notificationListFrame() == idle);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(HostLife, TheTodayPageOpensOnlyWhenThePolicyAllowsIt) {
    EXPECT_EXIT(
        {
            startHost("11.1.2");
            springboard::startLockScreen();
            static bool allow = false;
            static bool (*stock)(id, SEL, id*) = nullptr;
            MSHookMessageEx(rt::objc_getClass("SBMainDisplayPolicyAggregator"),
                            rt::sel_registerName("_allowsCapabilityLockScreenTodayViewWithExplanation:"),
                            +[](id, SEL, id*) { events().push_back("asked"); return allow; }, &stock);
            CHECK(!springboard::openTodayView());
            CHECK(!springboard::lockScreen().todayView);
            CHECK(events().size() == 1);
            allow = true;
            CHECK(springboard::openTodayView());
            id today = springboard::lockScreen().todayView;
            CHECK(today && ui::superview(today) == ui::view(springboard::lockScreen().dashboard));
            springboard::closeTodayView();
            CHECK(!ui::superview(today));
            CHECK(events().size() == 2);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// While an alert is shown, touches are its own: a tap on its button closes it
// and reaches its delegate; a tap elsewhere, or a press that slides off the
// button, does nothing, and nothing under the alert is touched.
TEST(HostLife, AnAlertTakesTheTouchesAndItsButtonClosesIt) {
    EXPECT_EXIT(
        {
            startHost("11.1.2");
            springboard::startLockScreen();
            auto handlers = springboard::lockScreenHandlers();
            auto touch = [&](const std::string& what) {
                std::istringstream words(what);
                std::string phase;
                double x = 0;
                double y = 0;
                words >> phase >> x >> y;
                wire::ToSpringBoard request = wire::touchRequest(
                    phase == "down" ? wire::Touch::DOWN : phase == "move" ? wire::Touch::MOVE : wire::Touch::UP, x, y);
                wire::Answer answer;
                handlers.at(wire::ToSpringBoard::kTouch)(request, answer, nullptr);
                return answer.touched();
            };
            id alert = ui::makeAlert("Title", "Message", id{}, "Cancel", NSStr("Other"));
            ui::show(alert);
            std::vector<CGRect> areas = render::alertButtonAreas(alert, 320, 568);
            CHECK(areas.size() == 2);
            CHECK(CGRectGetMinX(areas[1]) >= CGRectGetMaxX(areas[0]) - 0.5);  // side by side
            CGPoint other = CGPointMake(CGRectGetMidX(areas[1]), CGRectGetMidY(areas[1]));
            auto at = [](CGPoint p) { return std::to_string(p.x) + " " + std::to_string(p.y); };

            CHECK(touch("down 10 500") == "UIAlertView");
            CHECK(touch("up 10 500") == "ok");
            CHECK(touch("down " + at(other)) == "UIAlertView");
            CHECK(touch("up 10 500") == "ok");  // slid off the button
            CHECK(ui::shownAlerts().size() == 1);
            CHECK(touch("down " + at(other)) == "UIAlertView");
            CHECK(touch("up " + at(other)) == "alert button 1");
            CHECK(ui::shownAlerts().empty());
            // With the alert gone, touches reach the lock screen again.
            CHECK(touch("down 10 500") != "UIAlertView");
            touch("up 10 500");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

// The live view's frames: a new picture only when the screen changed, the
// first one whole at the device's scale; a screenshot needs an absolute path.
TEST(HostLife, FramesAreWrittenOnlyWhenTheScreenChanges) {
    EXPECT_EXIT(
        {
            startHost("11.1.2");
            springboard::startLockScreen();
            ui::layoutPass();
            int pair[2];
            CHECK(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair) == 0);
            auto connection = std::make_shared<springboard::ControlConnection>(
                ns::UniqueFd(pair[0]), [](std::string) {}, [](const std::string&) {});
            springboard::watchScreen(connection);
            wire::FrameReader reader(wire::kLargestAnswer);
            // Runs the loop a while (the feed draws at the display's pace) and
            // answers the updates that came.
            auto updatesAfter = [&](double seconds) {
                std::vector<wire::ScreenUpdate> got;
                char buffer[1 << 16];
                for (double ran = 0; ran < seconds; ran += 0.01) {
                    ns::RunLoop::main().run(0.01);
                    for (ssize_t n; (n = recv(pair[1], buffer, sizeof buffer, 0)) > 0;) {
                        auto some = reader.take(std::string_view(buffer, static_cast<std::size_t>(n)));
                        CHECK(some.ok());
                        for (auto& f : *some) {
                            auto message = wire::decode<wire::FromSpringBoard>(f);
                            CHECK(message.ok() && message->has_screen());
                            got.push_back(message->screen());
                        }
                    }
                }
                return got;
            };
            // The first update is whole; what still animates after it settles.
            auto first = updatesAfter(2);
            CHECK(!first.empty() && first[0].whole() && first[0].pictures_size() == 1);
            const wire::ScreenPicture& whole = first[0].pictures(0);
            CHECK(whole.width() == 640 && whole.height() == 1136);
            std::string file = ::testing::TempDir() + "frame-" + std::to_string(getpid()) + ".png";
            FILE* out = std::fopen(file.c_str(), "wb");
            CHECK(out && std::fwrite(whole.png().data(), 1, whole.png().size(), out) == whole.png().size());
            std::fclose(out);
            CGImageRef picture = cg::loadImageFile(file).valueOr({});
            std::filesystem::remove(file);
            CHECK(picture && picture->width == 640 && picture->height == 1136);
            // Nothing changed: nothing comes, however often the loop passes.
            ns::RunLoop::main().perform([] {});
            CHECK(updatesAfter(0.2).empty());
            id patch = ui::makeView(rt::objc_getClass("UIView"), CGRectMake(10, 300, 50, 50));
            ui::setBackgroundColor(patch, ui::colorWithRed_green_blue_alpha(1, 0, 0, 1));
            ui::addSubview(springboard::lockScreen().window, patch);
            auto changed = updatesAfter(0.2);
            CHECK(changed.size() == 1 && !changed[0].whole() && changed[0].serial() == first.back().serial() + 1);
            bool threw = false;
            try {
                springboard::screenshotCommand("relative.png");
            } catch (const std::exception&) {
                threw = true;
            }
            CHECK(threw);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

void weatherWidgetCase() {
    startHost("11.1.2");
    Recorder<void(id)>::install("WATodayPadView", "setTemperature:");
    // The other setters record their values too (each needs its own stock pointer).
    static void (*s1)(id, SEL, id), (*s2)(id, SEL, id), (*s3)(id, SEL, id);
    rt::Class* pad = rt::objc_getClass("WATodayPadView");
    MSHookMessageEx(pad, rt::sel_registerName("setLocationName:"),
                    +[](id self, SEL sel, id v) { events().push_back("location " + str(v)); s1(self, sel, v); }, &s1);
    MSHookMessageEx(pad, rt::sel_registerName("setConditionsImage:"),
                    +[](id self, SEL sel, id v) { events().push_back(v ? "image" : "no image"); s2(self, sel, v); }, &s2);
    MSHookMessageEx(pad, rt::sel_registerName("setConditionsLine:"),
                    +[](id self, SEL sel, id v) { events().push_back("conditions " + str(v)); s3(self, sel, v); }, &s3);

    id widget = rt::allocInit("WALockscreenWidgetViewController");
    // Not a child controller: the interval alone fetches nothing.
    rt::send<void(double)>(widget, "setUpdateInterval:", 180.0);
    ns::RunLoop::main().advance(200);
    CHECK(events().empty());

    id parent = rt::allocInit("UIViewController");
    ui::addChildViewController(parent, widget);
    rt::send<void(double)>(widget, "setUpdateInterval:", 180.0);
    CHECK(events().empty());  // the first refresh waits for the run loop
    ns::RunLoop::main().runOnce();
    std::vector<std::string> round{"setTemperature:", "location Paris", "image", "conditions Sunny"};
    CHECK(events() == round);
    ns::RunLoop::main().advance(179);
    CHECK(events().size() == 4);
    ns::RunLoop::main().advance(1);
    CHECK(events().size() == 8);
    rt::send<void()>(widget, "removeFromParentViewController");
    ns::RunLoop::main().advance(400);
    CHECK(events().size() == 8);
    std::exit(0);
}

TEST(HostLife, TheWeatherWidgetRefreshesInOrderOnlyWhileAChildController) {
    EXPECT_EXIT(weatherWidgetCase(), ::testing::ExitedWithCode(0), "");
}

TEST(Legibility, JudgesTheWallpaperWhereTheClockStands) {
    // Light at the top half, dark at the bottom, on a screen 100 points wide drawn at 2 pixels a point.
    std::vector<std::uint8_t> pixels(200 * 400 * 4, 0);
    for (std::size_t i = 0; i < 200 * 200; ++i) {
        pixels[i * 4] = pixels[i * 4 + 1] = pixels[i * 4 + 2] = 255;
        pixels[i * 4 + 3] = 255;
    }
    CGImageRef image = cg::makeImage(200, 400, pixels);
    EXPECT_DOUBLE_EQ(springboard::meanLuminance(image, CGRectMake(0, 0, 100, 100), 100), 1.0);
    EXPECT_DOUBLE_EQ(springboard::meanLuminance(image, CGRectMake(0, 100, 100, 100), 100), 0.0);
    EXPECT_DOUBLE_EQ(springboard::meanLuminance(image, CGRectMake(0, 50, 100, 100), 100), 0.5);
    // An area beyond the picture is cut to it; nothing left reads as dark.
    EXPECT_DOUBLE_EQ(springboard::meanLuminance(image, CGRectMake(-50, -50, 100, 100), 100), 1.0);
    EXPECT_DOUBLE_EQ(springboard::meanLuminance(image, CGRectMake(200, 0, 10, 10), 100), 0.0);
    EXPECT_DOUBLE_EQ(springboard::meanLuminance(CGImageRef{}, CGRectMake(0, 0, 10, 10), 100), 0.0);
}

}  // namespace
