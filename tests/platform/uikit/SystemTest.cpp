// The device, screen, application object and alerts.
#include <gtest/gtest.h>

#include "foundation/Process.h"

#include "foundation/Log.h"
#include "uikit/UIKit.h"

namespace {

using namespace ui;

std::vector<std::string> gLines;

class System : public ::testing::Test {
protected:
    ns::ProcessScope fresh;  // its own alerts, application and windows
    void SetUp() override {
        gLines.clear();
        ns::setLogSink([](const std::string& line) {
            gLines.push_back(line.ends_with('\n') ? line.substr(0, line.size() - 1) : line);
        });
        configureDevice({});
    }
};

TEST_F(System, TheDeviceAnswersFromItsProfile) {
    configureDevice({"iPad", "11.0", 768, 1024, 2, 20});
    EXPECT_EQ(str(model(currentDevice())), "iPad");
    EXPECT_EQ(str(systemVersion(currentDevice())), "11.0");
    EXPECT_EQ(screenBounds(), CGRectMake(0, 0, 768, 1024));
    EXPECT_EQ(rt::send<double()>(mainScreen(), "scale"), 2);
    EXPECT_EQ(rt::send<CGRect()>(sharedApplication(), "statusBarFrame"), CGRectMake(0, 0, 768, 20));
    EXPECT_EQ(rt::send<long()>(currentDevice(), "userInterfaceIdiom"), 1);
}

TEST_F(System, TheHostsApplicationSubclassBecomesShared) {
    id early = sharedApplication();  // asked before the host made its own
    ASSERT_TRUE(early);
    rt::Class* host = rt::objc_getClass("TestHostApplication");
    if (!host) host = rt::objc_registerClass("TestHostApplication", rt::objc_getClass("UIApplication"));
    id app = rt::allocInit(host);
    EXPECT_EQ(sharedApplication(), app);
    EXPECT_EQ(rt::sendClass<id()>(host, "sharedApplication"), app);
    id second = rt::allocInit(host);  // a later one does not take over
    EXPECT_EQ(sharedApplication(), app);
    (void)second;
}

TEST_F(System, NowPlayingAndOpenURL) {
    setNowPlaying(0, false);
    EXPECT_EQ(rt::send<int()>(sharedApplication(), "nowPlayingProcessPID"), 0);
    setNowPlaying(321, true);
    EXPECT_EQ(rt::send<int()>(sharedApplication(), "nowPlayingProcessPID"), 321);
    EXPECT_TRUE(rt::send<bool()>(sharedApplication(), "isNowPlayingAppPlaying"));
    setNowPlaying(0, false);

    EXPECT_TRUE(rt::send<bool(id)>(sharedApplication(), "openURL:", NSStr("https://example.invalid/donate")));
    EXPECT_EQ(openedURLs().back(), "https://example.invalid/donate");
    EXPECT_EQ(gLines.back(), "UIApplication: openURL https://example.invalid/donate");
}

TEST_F(System, AShownAlertIsOneEscapedLogLine) {
    id alert = makeAlert("OrvelleiOS", "New:\n\n\"quoted\" \\ end", id{}, "Okay!");
    EXPECT_TRUE(gLines.empty());
    show(alert);
    show(alert);  // already on screen: not again
    ASSERT_EQ(gLines.size(), 1u);
    EXPECT_EQ(gLines[0],
              R"(UIAlertView shown: title="OrvelleiOS" message="New:\n\n\"quoted\" \\ end" buttons=["Okay!"])");
    ASSERT_EQ(shownAlerts().size(), 1u);
}

TEST_F(System, OtherButtonsFollowTheCancelButton) {
    auto others = std::make_shared<NSArray>(std::vector<id>{NSStr("A"), NSStr("B")});
    others->isa = rt::objc_getClass("NSArray");
    id alert = makeAlert("T", "M", id{}, "Cancel", others);
    EXPECT_EQ(rt::send<long()>(alert, "numberOfButtons"), 3);
    EXPECT_EQ(alertLogLine(alert), R"(UIAlertView shown: title="T" message="M" buttons=["Cancel","A","B"])");
    id noCancel = rt::send<id(id, id, id, id, id)>(rt::alloc(rt::objc_getClass("UIAlertView")),
                                                   "initWithTitle:message:delegate:cancelButtonTitle:otherButtonTitles:",
                                                   NSStr("T"), NSStr("M"), id{}, id{}, id{});
    EXPECT_EQ(rt::send<long()>(noCancel, "cancelButtonIndex"), -1);
    EXPECT_EQ(alertLogLine(noCancel), R"(UIAlertView shown: title="T" message="M" buttons=[])");
}

TEST_F(System, TheAccessoryViewIsAKeyValueKeyAndDismissalRemovesTheAlert) {
    id alert = makeAlert("QR Code", "Thanks for donation", id{}, "Okay!");
    id picture = makeView(CGRectMake(0, 0, 200, 200));
    rt::setValueForKey(alert, picture, "accessoryView");
    EXPECT_EQ(rt::valueForKey(alert, "accessoryView"), picture);
    EXPECT_THROW(rt::setValueForKey(alert, picture, "noSuchKey"), rt::Error);
    show(alert);
    ASSERT_EQ(shownAlerts().size(), 1u);
    EXPECT_EQ(rt::send<id()>(shownAlerts()[0], "accessoryView"), picture);
    tapAlertButton(alert, 0);
    EXPECT_TRUE(shownAlerts().empty());
}

}  // namespace
