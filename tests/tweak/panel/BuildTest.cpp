// The build of the panel: frames, fonts, colours, hiding, stored positions,
// first texts and what a rebuild leaves behind.
#include "PanelTest.h"

namespace panel_test {
namespace {

using Build = PanelTest;

struct Screen {
    double width, height;
};
void PrintTo(const Screen& s, std::ostream* os) { *os << s.width << "x" << s.height; }
class Frames : public PanelTest, public ::testing::WithParamInterface<Screen> {};

TEST_P(Frames, FollowTheStyleAndTheScreenWidth) {
    double w = GetParam().width;
    useScreen(w, GetParam().height);

    id stacked = build();
    auto s = fields(stacked);
    // As tall as the screen, so long presses reach a block wherever it was dragged.
    EXPECT_EQ(ui::frame(s->dateView_), CGRectMake(0, 0, w, GetParam().height));
    EXPECT_EQ(ui::frame(clockView(stacked)), CGRectMake(0, 30, 175, 135));
    EXPECT_EQ(ui::frame(weatherView(stacked)), CGRectMake(w - 70, 30, 90, 90));
    EXPECT_EQ(ui::frame(s->timeLabel_), CGRectMake(10, 0, 250, 90));
    EXPECT_EQ(ui::frame(s->fakeTimeLabel_), CGRectMake(10, 0, 250, 90));
    EXPECT_EQ(ui::frame(s->dateLabel_), CGRectMake(10, 67, 200, 60));
    EXPECT_EQ(ui::frame(s->cusLabel_), CGRectMake(10, 120, 200, 15));
    EXPECT_EQ(ui::frame(s->conditionsView_), CGRectMake(0, 5, 60, 60));
    EXPECT_EQ(ui::frame(s->temperatureLabelView_), CGRectMake(0, 65, 90, 30));
    EXPECT_EQ(ui::frame(s->locationLabelView_), CGRectZero);
    EXPECT_FALSE(ui::superview(s->locationLabelView_));
    EXPECT_EQ(ui::textAlignment(s->dateLabel_), NSTextAlignmentLeft);

    writeSettings({{"clockStyle", NSNum(2)}});
    id rows = build();
    auto r = fields(rows);
    EXPECT_EQ(ui::frame(clockView(rows)), CGRectMake(0, 15, w, 65));
    EXPECT_EQ(ui::frame(weatherView(rows)), CGRectMake(0, 90, w, 65));
    EXPECT_EQ(ui::frame(r->timeLabel_), CGRectMake(10, 10, 200, 66));
    EXPECT_EQ(ui::frame(r->dateLabel_), CGRectMake(w - 100, 5, 90, 76));
    EXPECT_EQ(ui::frame(r->cusLabel_), CGRectMake(w - 210, 65, 200, 15));
    EXPECT_EQ(ui::frame(r->conditionsView_), CGRectMake(10, 0, 60, 60));
    EXPECT_EQ(ui::frame(r->locationLabelView_), CGRectMake(75, 10, 320, 18));
    EXPECT_EQ(ui::frame(r->conditionsLabelView_), CGRectMake(75, 30, 320, 18));
    EXPECT_EQ(ui::frame(r->temperatureLabelView_), CGRectZero);
    EXPECT_FALSE(ui::superview(r->temperatureLabelView_));
    EXPECT_EQ(ui::textAlignment(r->dateLabel_), NSTextAlignmentRight);
    EXPECT_EQ(ui::textAlignment(r->cusLabel_), NSTextAlignmentRight);
}

INSTANTIATE_TEST_SUITE_P(Screens, Frames, ::testing::Values(Screen{320, 568}, Screen{375, 667}, Screen{414, 736}),
                         [](const auto& info) { return std::to_string(static_cast<int>(info.param.width)); });

// The 44-point status bar beside a sensor housing moves both blocks of each
// style down by its extra 24 points; their insides stay as they are.
TEST_F(Build, UnderATallerStatusBarTheBlocksStartLowerByTheDifference) {
    ui::DeviceProfile profile;
    profile.screenWidth = 375;
    profile.screenHeight = 812;
    profile.statusBarHeight = 44;
    ui::configureDevice(profile);
    id stacked = build();
    EXPECT_EQ(ui::frame(clockView(stacked)), CGRectMake(0, 54, 175, 135));
    EXPECT_EQ(ui::frame(weatherView(stacked)), CGRectMake(305, 54, 90, 90));
    EXPECT_EQ(ui::frame(fields(stacked)->timeLabel_), CGRectMake(10, 0, 250, 90));
    writeSettings({{"clockStyle", NSNum(2)}});
    id rows = build();
    EXPECT_EQ(ui::frame(clockView(rows)), CGRectMake(0, 39, 375, 65));
    EXPECT_EQ(ui::frame(weatherView(rows)), CGRectMake(0, 114, 375, 65));
    // A stored place is where the user put the block, whatever the bar.
    writeSettings({{"clockX", NSStr("12")}, {"clockY", NSStr("200")}}, orvelle::kClockPositionFile);
    EXPECT_EQ(ui::frame(clockView(build())), CGRectMake(12, 200, 375, 65));
}

TEST_F(Build, TheViewTreeStacksEachBlockInItsOrder) {
    writeSettings({{"clockStyle", NSStr("2")}});
    id panel = build();
    auto p = fields(panel);
    EXPECT_EQ(ui::subviews(p->dateView_), (std::vector<id>{clockView(panel), weatherView(panel)}));
    auto clock = ui::subviews(clockView(panel));
    ASSERT_EQ(clock.size(), 5u);
    EXPECT_EQ(clock[0], rt::send<id()>(clockView(panel), "backgroundView"));
    EXPECT_TRUE(ui::isHidden(clock[0]));
    EXPECT_EQ((std::vector<id>(clock.begin() + 1, clock.end())),
              (std::vector<id>{p->timeLabel_, p->dateLabel_, p->fakeTimeLabel_, p->cusLabel_}));
    auto weather = ui::subviews(weatherView(panel));
    EXPECT_EQ((std::vector<id>(weather.begin() + 1, weather.end())),
              (std::vector<id>{p->conditionsView_, p->conditionsLabelView_, p->locationLabelView_}));
    EXPECT_TRUE(rt::send<bool()>(weatherView(panel), "isWeatherContainerView"));
    EXPECT_FALSE(rt::send<bool()>(clockView(panel), "isWeatherContainerView"));
}

TEST_F(Build, TimeFontsTurnLightWithUseBoldAndNothingElseChanges) {
    auto fontOf = [](const id& label) {
        return str(ui::fontName(ui::font(label))) + " " +
               std::to_string(static_cast<int>(ui::pointSize(ui::font(label))));
    };
    for (int style : {1, 2}) {
        for (bool bold : {false, true}) {
            writeSettings({{"clockStyle", NSNum(style)}, {"useBold", NSNum(bold)}});
            auto p = fields(build());
            std::string time = style == 1 ? (bold ? "PingFangSC-Light 55" : "PingFangSC-Thin 55")
                                          : (bold ? "HelveticaNeue-Light 45" : "HelveticaNeue-Thin 45");
            EXPECT_EQ(fontOf(p->timeLabel_), time) << style << bold;
            EXPECT_EQ(fontOf(p->fakeTimeLabel_), time) << style << bold;
            EXPECT_EQ(fontOf(p->dateLabel_), "PingFangSC-Regular 15");
            EXPECT_EQ(fontOf(p->cusLabel_), style == 1 ? "PingFangSC-Thin 15" : "PingFangSC-Regular 15");
            EXPECT_EQ(fontOf(p->locationLabelView_), "PingFangSC-Semibold 15");
            EXPECT_EQ(fontOf(p->conditionsLabelView_), "PingFangSC-Medium 15");
            EXPECT_EQ(fontOf(p->temperatureLabelView_), "PingFangSC-Medium 30");
        }
    }
}

TEST_F(Build, UseBlackTurnsTheSevenLabelsBlackElseWhite) {
    for (bool black : {false, true}) {
        writeSettings({{"useBlack", NSStr(black ? "YES" : "NO")}});
        auto p = fields(build());
        id expected = black ? ui::blackColor() : ui::whiteColor();
        for (const id& label : {p->timeLabel_, p->fakeTimeLabel_, p->dateLabel_, p->cusLabel_, p->locationLabelView_,
                                p->conditionsLabelView_, p->temperatureLabelView_})
            EXPECT_TRUE(sameColour(ui::textColor(label), expected)) << black;
    }
}

TEST_F(Build, HiddenBlocksAreStillBuiltAndInTheHostView) {
    writeSettings({{"hideWea", NSNum(true)}});
    id panel = build();
    EXPECT_TRUE(ui::isHidden(weatherView(panel)));
    EXPECT_EQ(ui::alpha(weatherView(panel)), 0);
    EXPECT_FALSE(ui::isHidden(clockView(panel)));
    EXPECT_EQ(ui::alpha(clockView(panel)), 1);

    writeSettings({{"hideWea", NSNum(true)}, {"hideClo", NSNum(1)}});
    panel = build();
    EXPECT_TRUE(ui::isHidden(clockView(panel)) && ui::isHidden(weatherView(panel)));
    EXPECT_EQ(ui::alpha(clockView(panel)), 0);
    EXPECT_EQ(ui::superview(clockView(panel)), rt::send<id()>(panel, "dateView"));
    EXPECT_EQ(ui::superview(weatherView(panel)), rt::send<id()>(panel, "dateView"));
}

TEST_F(Build, StoredPositionsMoveTheBlocksAndKeepTheirSize) {
    writeSettings({{"clockX", NSStr("12.500000")}, {"clockY", NSStr("200.000000")}}, orvelle::kClockPositionFile);
    id panel = build();
    EXPECT_EQ(ui::frame(clockView(panel)), CGRectMake(12.5, 200, 175, 135));
    EXPECT_EQ(ui::frame(weatherView(panel)), CGRectMake(305, 30, 90, 90));

    // One key alone: the other coordinate is 0.
    writeSettings({{"weatherY", NSStr("44.25")}}, orvelle::kWeatherPositionFile);
    EXPECT_EQ(ui::frame(weatherView(build())), CGRectMake(0, 44.25, 90, 90));

    // Single precision, as the device reads them back.
    writeSettings({{"clockX", NSStr("123.456789")}, {"clockY", NSStr("-7")}}, orvelle::kClockPositionFile);
    EXPECT_EQ(ui::frame(clockView(build())).origin, CGPointMake(static_cast<double>(123.456789f), -7));
}

TEST_F(Build, ACoordinateThatIsNoFiniteNumberCountsAsAbsent) {
    writeSettings({{"clockX", NSStr("1e999")}, {"clockY", NSStr("-1e400")}}, orvelle::kClockPositionFile);
    writeSettings({{"weatherX", NSNum(1e300)}, {"weatherY", NSStr("30")}}, orvelle::kWeatherPositionFile);
    id panel = build();
    EXPECT_EQ(ui::frame(clockView(panel)), CGRectMake(0, 0, 175, 135));
    EXPECT_EQ(ui::frame(weatherView(panel)), CGRectMake(0, 30, 90, 90));
}

TEST_F(Build, FirstTextsWithTheColonHiddenOnlyInTheMainTimeLabel) {
    writeSettings({{"subTitle", NSStr("Hello there")}, {"timeFormat", NSNum(2)}});
    id panel = build();
    auto p = fields(panel);
    EXPECT_EQ(str(ui::text(p->timeLabel_)), "9:05");
    EXPECT_EQ(colonAlpha(p->timeLabel_), 0);
    EXPECT_EQ(str(ui::text(p->fakeTimeLabel_)), "9:05");
    EXPECT_FALSE(ui::hasAttributedText(p->fakeTimeLabel_));
    EXPECT_EQ(colonAlpha(p->fakeTimeLabel_), 1);
    EXPECT_EQ(str(ui::text(p->dateLabel_)), "Monday\n2026-12-07");
    EXPECT_EQ(ui::numberOfLines(p->dateLabel_), 0);
    EXPECT_EQ(str(ui::text(p->cusLabel_)), "Hello there");
    // Weather comes later; a fresh controller has none yet, a rebuild shows what it has.
    EXPECT_EQ(str(ui::text(p->locationLabelView_)), "");
    EXPECT_FALSE(ui::image(p->conditionsView_));
    rt::send<void(id)>(panel, "setLocationString:", NSStr("Paris"));
    rt::send<void()>(panel, "setClockAccordingToStyle");
    EXPECT_EQ(str(ui::text(fields(panel)->locationLabelView_)), "Paris");
}

TEST_F(Build, ARebuildStopsTheTimersOfTheLabelsItReplaces) {
    id panel = build();
    std::weak_ptr<rt::Object> oldTime = fields(panel)->timeLabel_;
    std::weak_ptr<rt::Object> oldOverlay = fields(panel)->fakeTimeLabel_;
    std::weak_ptr<rt::Object> oldDate = fields(panel)->dateLabel_;
    EXPECT_EQ(ns::RunLoop::main().timerCount(), 3u);

    for (int i = 0; i < 3; ++i) rt::send<void()>(panel, "setClockAccordingToStyle");
    ns::RunLoop::main().advance(2);
    EXPECT_EQ(ns::RunLoop::main().timerCount(), 3u);
    EXPECT_TRUE(oldTime.expired());
    EXPECT_TRUE(oldOverlay.expired());
    EXPECT_TRUE(oldDate.expired());
    auto p = fields(panel);
    for (const id& label : {p->timeLabel_, p->fakeTimeLabel_, p->dateLabel_})
        EXPECT_EQ(orvelle::refreshTimerCount(label), 1u);
}

}  // namespace
}  // namespace panel_test
