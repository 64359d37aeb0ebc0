// The controller's own operations: the notification list's start, weather
// data, the label-level fades and the recolouring.
#include "PanelTest.h"

namespace panel_test {
namespace {

using Controller = PanelTest;

double listStart(const id& panel) { return rt::send<double()>(panel, "suggestedNotificationViewFrame"); }

TEST_F(Controller, SharedInstanceIsMadeOnceAndHoldsNoViewsBeforeABuild) {
    rt::Class* cls = rt::objc_getClass("OVClockViewController");
    id shared = rt::sendClass<id()>(cls, "sharedInstance");
    EXPECT_EQ(rt::sendClass<id()>(cls, "sharedInstance"), shared);
    EXPECT_TRUE(rt::isKindOfClass(shared, "UIViewController"));

    // Nothing built yet: both bottoms measure 0, and every operation is harmless.
    id fresh = rt::allocInit(cls);
    EXPECT_EQ(listStart(fresh), 10);
    for (const char* op : {"updateNow", "hide", "show"}) rt::send<void()>(fresh, op);
    rt::send<void(id)>(fresh, "adjustColor:", ui::redColor());
    EXPECT_FALSE(rt::send<id()>(fresh, "dateView"));
}

TEST_F(Controller, TheListStartsTenPointsBelowTheLowerBlock) {
    id panel = build();  // stacked: clock bottom 165, weather bottom 120
    EXPECT_EQ(listStart(panel), 175);
    ui::setFrame(weatherView(panel), CGRectMake(0, 200, 90, 90));
    EXPECT_EQ(listStart(panel), 300);
    ui::setFrame(weatherView(panel), CGRectMake(0, 75, 90, 90));  // equal bottoms
    EXPECT_EQ(listStart(panel), 175);

    ui::setFrame(weatherView(panel), CGRectMake(0, 400, 90, 90));
    writeSettings({{"hideWea", NSNum(true)}});
    EXPECT_EQ(listStart(panel), 175);
}

TEST_F(Controller, CopyPropertiesKeepTheirOwnCopiesAndUpdateNowShowsThem) {
    id panel = build();
    id location = NSMutableStr("Paris");
    rt::send<void(id)>(panel, "setLocationString:", location);
    rt::cast<NSString>(location)->utf8 = "Lyon";
    rt::send<void(id)>(panel, "setConditionsString:", NSStr("Sunny"));
    rt::send<void(id)>(panel, "setTemperatureString:", NSStr("21°"));
    id image = ui::makeImage(cg::makeFlatImage(2, 2, 255, 200, 0, 255));
    rt::send<void(id)>(panel, "setWeatherImage:", image);
    rt::send<void()>(panel, "updateNow");

    auto p = fields(panel);
    EXPECT_EQ(str(ui::text(p->locationLabelView_)), "Paris");
    EXPECT_EQ(str(ui::text(p->conditionsLabelView_)), "Sunny");
    EXPECT_EQ(str(ui::text(p->temperatureLabelView_)), "21°");
    EXPECT_EQ(ui::image(p->conditionsView_), image);

    for (const char* setter :
         {"setLocationString:", "setConditionsString:", "setTemperatureString:", "setWeatherImage:"})
        rt::send<void(id)>(panel, setter, id{});
    rt::send<void()>(panel, "updateNow");
    EXPECT_EQ(str(ui::text(p->locationLabelView_)), "");
    EXPECT_EQ(str(ui::text(p->temperatureLabelView_)), "");
    EXPECT_FALSE(ui::image(p->conditionsView_));
}

TEST_F(Controller, HideAndShowFadeSixLabelsButNotTheImageOrTheOverlay) {
    auto p = fields(build());
    id panel = p;
    rt::send<void()>(panel, "hide");
    for (const id& label : {p->locationLabelView_, p->conditionsLabelView_, p->temperatureLabelView_, p->timeLabel_,
                            p->dateLabel_, p->cusLabel_}) {
        EXPECT_EQ(ui::alpha(label), 0);
        EXPECT_TRUE(ui::isAnimating(label, "alpha", ns::now() + 0.2));
    }
    EXPECT_EQ(ui::alpha(p->conditionsView_), 1);
    EXPECT_EQ(ui::alpha(p->fakeTimeLabel_), 1);
    rt::send<void()>(panel, "show");
    EXPECT_EQ(ui::alpha(p->timeLabel_), 1);
    EXPECT_EQ(ui::alpha(p->cusLabel_), 1);
}

TEST_F(Controller, AdjustColorRecoloursTheSevenLabelsOnly) {
    id panel = build();
    auto p = fields(panel);
    id red = ui::redColor();
    rt::send<void(id)>(panel, "adjustColor:", red);
    for (const id& label : {p->locationLabelView_, p->conditionsLabelView_, p->temperatureLabelView_, p->timeLabel_,
                            p->fakeTimeLabel_, p->dateLabel_, p->cusLabel_})
        EXPECT_TRUE(sameColour(ui::textColor(label), red));
    EXPECT_FALSE(ui::backgroundColor(p->conditionsView_));
    EXPECT_FALSE(ui::backgroundColor(clockView(panel)));
    EXPECT_TRUE(sameColour(ui::backgroundColor(p->dateLabel_), ui::clearColor()));

    // The main time label shows its colon in the new colour until the next step.
    EXPECT_EQ(colonAlpha(p->timeLabel_), 1);
    ns::RunLoop::main().advance(1);
    EXPECT_EQ(colonAlpha(p->timeLabel_), 0);
    EXPECT_EQ(colonAlpha(p->fakeTimeLabel_), 1);

    // No colour at all leaves the text as it is.
    rt::send<void(id)>(panel, "adjustColor:", id{});
    EXPECT_TRUE(sameColour(ui::textColor(p->dateLabel_), red));

    rt::send<void(bool)>(panel, "adjustIfLightColor:", true);
    EXPECT_TRUE(sameColour(ui::textColor(p->cusLabel_), ui::blackColor()));
    rt::send<void(bool)>(panel, "adjustIfLightColor:", false);
    EXPECT_TRUE(sameColour(ui::textColor(p->locationLabelView_), ui::whiteColor()));
}

}  // namespace
}  // namespace panel_test
