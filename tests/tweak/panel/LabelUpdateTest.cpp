// The once-a-second refresh of the time, overlay and date labels.
#include "PanelTest.h"

namespace panel_test {
namespace {

class LabelUpdate : public PanelTest {
protected:
    void step() { ns::RunLoop::main().advance(1); }
    // Labels refreshing themselves, as the panel starts them.
    id timeLabel(bool overlay) {
        id label = ui::makeLabel();
        ui::setTextColor(label, ui::whiteColor());
        rt::send<void(bool)>(label, "updateTimeLabel:", overlay);
        return label;
    }
    id dateLabel() {
        id label = ui::makeLabel();
        rt::send<void()>(label, "updateDateLabel");
        return label;
    }
};

TEST_F(LabelUpdate, TwelveAndTwentyFourHourTimes) {
    struct Case {
        double at;
        id timeFormat;
        const char* text;
    };
    for (const Case& c : {Case{kEvening, NSNum(2), "9:05"}, Case{kEvening, id{}, "21:05"},
                          Case{kEvening, NSNum(1), "21:05"}, Case{kMorning, NSStr("2"), "9:05"},
                          Case{kMorning, NSNum(0), "09:05"}}) {
        ns::ProcessScope fresh;
        ns::useVirtualClock(c.at);
        if (c.timeFormat)
            writeSettings({{"timeFormat", c.timeFormat}});
        else
            std::filesystem::remove(orvelle::kSettingsFile);
        id main = timeLabel(false), overlay = timeLabel(true);
        EXPECT_EQ(str(ui::text(main)), "");  // nothing before the first second has passed
        step();
        EXPECT_EQ(str(ui::text(main)), c.text);
        EXPECT_EQ(str(ui::text(overlay)), c.text);
    }
}

TEST_F(LabelUpdate, TheMainColonIsTransparentAfterEveryStepTheOverlaysVisible) {
    id main = timeLabel(false), overlay = timeLabel(true);
    for (int i = 0; i < 4; ++i) {
        step();
        EXPECT_EQ(colonAlpha(main), 0) << i;
        EXPECT_EQ(colonAlpha(overlay), 1) << i;
        // A colour given between steps covers the colon until the next step.
        ui::setTextColor(main, ui::redColor());
        EXPECT_EQ(colonAlpha(main), 1);
        EXPECT_TRUE(sameColour(ui::textColor(main), ui::redColor()));
    }
    step();
    EXPECT_EQ(colonAlpha(main), 0);
}

TEST_F(LabelUpdate, TheOverlayFadesOutInEvenSecondsAndInInOddOnes) {
    id overlay = timeLabel(true);  // steps at :10.5, :11.5, :12.5
    step();
    EXPECT_EQ(ui::alpha(overlay), 0);
    EXPECT_TRUE(ui::isAnimating(overlay, "alpha", ns::now() + 0.29));
    EXPECT_FALSE(ui::isAnimating(overlay, "alpha", ns::now() + 0.31));
    step();
    EXPECT_EQ(ui::alpha(overlay), 1);
    step();
    EXPECT_EQ(ui::alpha(overlay), 0);
}

TEST_F(LabelUpdate, DisFlashingKeepsTheColonShowingSteadily) {
    writeSettings({{"disFlashing", NSNum(true)}});
    id overlay = timeLabel(true);
    for (int i = 0; i < 3; ++i) {
        step();
        EXPECT_EQ(ui::alpha(overlay), 1) << i;
        EXPECT_EQ(str(ui::text(overlay)), "21:05");
    }
    // Switched on while the colon is faded out: it comes back and stays.
    writeSettings({});
    step();  // second 13: in
    step();  // second 14: out
    ASSERT_EQ(ui::alpha(overlay), 0);
    writeSettings({{"disFlashing", NSStr("YES")}});
    step();
    EXPECT_EQ(ui::alpha(overlay), 1);
    step();
    EXPECT_EQ(ui::alpha(overlay), 1);
}

TEST_F(LabelUpdate, TheColonFlashesInLocalesWithOtherDigits) {
    ns::setDefaultLocale("ar_EG");
    id overlay = timeLabel(true);
    step();  // second 10
    EXPECT_EQ(ui::alpha(overlay), 0);
    step();  // second 11
    EXPECT_EQ(ui::alpha(overlay), 1);
    EXPECT_EQ(str(ui::text(overlay)), orvelle::formatDate("HH:mm", ns::now()));
}

TEST_F(LabelUpdate, ASettingRewrittenShowsAtTheVeryNextStep) {
    id main = timeLabel(false), date = dateLabel();
    step();
    EXPECT_EQ(str(ui::text(main)), "21:05");
    for (int i = 0; i < 3; ++i) {
        writeSettings({{"timeFormat", NSNum(2)},
                       {"enableCDF", NSNum(true)},
                       {"dayFormat", NSStr(i % 2 ? "EEE" : "EEEE")},
                       {"dateFormat", NSStr("MM/dd")}});
        step();
        EXPECT_EQ(str(ui::text(main)), "9:05");
        EXPECT_EQ(str(ui::text(date)), i % 2 ? "Mon\n12/07" : "Monday\n12/07");
        writeSettings({});
        step();
        EXPECT_EQ(str(ui::text(main)), "21:05");
        EXPECT_EQ(str(ui::text(date)), "Monday\n2026-12-07");
    }
}

TEST_F(LabelUpdate, DatePatternsDefaultCustomLiteralAndMissingParts) {
    id date = dateLabel();
    step();
    EXPECT_EQ(str(ui::text(date)), "Monday\n2026-12-07");

    writeSettings(
        {{"enableCDF", NSNum(true)}, {"dayFormat", NSStr("'Good' 'day'")}, {"dateFormat", NSStr("'it''s late'")}});
    for (int i = 0; i < 2; ++i) {
        step();
        EXPECT_EQ(str(ui::text(date)), "Good day\nit's late");
    }
    // A part that is missing or not a string counts as empty.
    writeSettings({{"enableCDF", NSNum(true)}, {"dateFormat", NSStr("MM/dd")}});
    step();
    EXPECT_EQ(str(ui::text(date)), "\n12/07");
    writeSettings({{"enableCDF", NSNum(true)}, {"dayFormat", NSNum(5)}});
    step();
    EXPECT_EQ(str(ui::text(date)), "\n");
}

TEST_F(LabelUpdate, EachStartAddsExactlyOneTimer) {
    id label = timeLabel(false);
    rt::send<void(bool)>(label, "updateTimeLabel:", false);
    EXPECT_EQ(orvelle::refreshTimerCount(label), 2u);
    orvelle::stopRefreshing(label);
    EXPECT_EQ(orvelle::refreshTimerCount(label), 0u);
    EXPECT_EQ(ns::RunLoop::main().timerCount(), 0u);
}

}  // namespace
}  // namespace panel_test
