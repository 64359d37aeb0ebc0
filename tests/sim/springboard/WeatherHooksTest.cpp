// The weather hooks on the widget's view and its style, with the page's push
// into the panel: the built tweak in the host's classes, a process per case.
#include "TweakInHost.h"

#include "ConditionImage.h"
#include "LockScreen.h"
#include "OVClockViewController.h"
#include "host/Weather.h"
#include "substrate/Substrate.h"
#include "uikit/Layout.h"
#include "uikit/UIKit.h"

namespace {

using namespace tweak_host;

// What the stock style methods were given and how often they were asked.
unsigned long (*stockFormat)(id, SEL) = nullptr;
void (*stockSetFormat)(id, SEL, unsigned long) = nullptr;
int formatQuestions = 0;
std::vector<unsigned long> formatsSet;
unsigned long countedFormat(id self, SEL cmd) {
    ++formatQuestions;
    return stockFormat(self, cmd);
}
void recordedSetFormat(id self, SEL cmd, unsigned long format) {
    formatsSet.push_back(format);
    stockSetFormat(self, cmd, format);
}

TEST(WeatherHooks, TheStyleAnswersFormatTwoAndOnlyEverSetsTwo) {
    inChild([] {
        startHost({.beforeLoad = [] {
            rt::Class* style = rt::objc_getClass("WATodayPadViewStyle");
            MSHookMessageEx(style, rt::sel_registerName("format"), &countedFormat, &stockFormat);
            MSHookMessageEx(style, rt::sel_registerName("setFormat:"), &recordedSetFormat, &stockSetFormat);
        }});
        id style = rt::allocInit("WATodayPadViewStyle");
        EXPECT_EQ(host::format(style), 2u);  // the stock one holds 0 yet
        for (unsigned long asked : {0ul, 1ul, 2ul, 7ul}) host::setFormat(style, asked);
        EXPECT_EQ(formatsSet, (std::vector<unsigned long>{2, 2, 2, 2}));
        EXPECT_EQ(host::format(style), 2u);
        EXPECT_EQ(formatQuestions, 0) << "the stock getter was asked";
    });
}

// The page's pushes, and what the widget's view held at each.
std::vector<std::string> pushes;
void (*stockUpdate)(id, SEL) = nullptr;
id padView;
void recordedUpdate(id self, SEL cmd) {
    pushes.push_back("conditions line at the push: " + str(host::conditionsLine(padView)));
    stockUpdate(self, cmd);
}

// Starts the lock screen in the style and watches the page's pushes.
void startLockScreen(int clockStyle) {
    startHost({.settings = {{"clockStyle", NSNum(clockStyle)}}});
    springboard::startLockScreen();
    ui::layoutPass();
    MSHookMessageEx(rt::objc_getClass("SBDashBoardMainPageContentViewController"), rt::sel_registerName("update"),
                    &recordedUpdate, &stockUpdate);
    padView = rt::allocInit("WATodayPadView");
}

std::string shown(const rt::Msg<id()>& text) { return describe(text(panel())); }

TEST(WeatherHooks, OnlyTheConditionsLinePushesWithWhatWasCapturedBeforeIt) {
    inChild([] {
        startLockScreen(2);
        host::setConditionsLine(padView, NSStr("Cloudy"));
        pushes.clear();

        host::setTemperature(padView, NSStr("5°"));
        host::setLocationName(padView, NSStr("Oslo"));
        host::setConditionsImage(padView, springboard::conditionImage("snow"));
        EXPECT_TRUE(pushes.empty());
        EXPECT_EQ(shown(orvelle::temperatureString), "(null)") << "the temperature reached the panel before the conditions line";
        EXPECT_EQ(ui::size(orvelle::weatherImage(panel())), CGSizeZero);  // still the empty one

        host::setConditionsLine(padView, NSStr("Light snow"));
        // One push, before the widget's own setter ran.
        EXPECT_EQ(pushes, std::vector<std::string>{"conditions line at the push: Cloudy"});
        EXPECT_EQ(str(host::conditionsLine(padView)), "Light snow");
        EXPECT_EQ(shown(orvelle::temperatureString), "5°");
        EXPECT_EQ(shown(orvelle::locationString), "Oslo・5°");
        EXPECT_EQ(shown(orvelle::conditionsString), "Light snow");
        EXPECT_EQ(ui::size(orvelle::weatherImage(panel())), CGSizeMake(32, 32));

        // A temperature after the conditions line waits for the next one.
        host::setTemperature(padView, NSStr("6°"));
        EXPECT_EQ(shown(orvelle::temperatureString), "5°");
        host::setConditionsLine(padView, NSStr("Light snow"));
        EXPECT_EQ(shown(orvelle::locationString), "Oslo・6°");
    });
}

// The texts of the panel's weather labels.
std::vector<std::string> weatherTexts() {
    std::vector<std::string> texts;
    for (const id& view : ui::subviews(orvelle::weatherView(panel())))
        if (rt::isKindOfClass(view, "UILabel")) texts.push_back(str(ui::text(view)));
    return texts;
}

TEST(WeatherHooks, AConditionsLineBeforeAnyTemperatureLeavesTheTemperatureEmpty) {
    inChild([] {
        startLockScreen(1);
        host::setConditionsLine(padView, NSStr("Rain"));
        EXPECT_EQ(weatherTexts(), std::vector<std::string>{""});
        host::setTemperature(padView, NSStr("7°"));
        EXPECT_EQ(weatherTexts(), std::vector<std::string>{""});
        host::setConditionsLine(padView, NSStr("Rain"));
        EXPECT_EQ(weatherTexts(), std::vector<std::string>{"7°"});
    });
}

TEST(WeatherHooks, AMissingValueLeavesItsPartOutAndNoPlaceholderIsShown) {
    inChild([] {
        startLockScreen(2);
        // The row style's weather labels: conditions, then location.
        auto push = [](const id& temperature, const id& location, const id& conditions) {
            host::setTemperature(padView, temperature);
            host::setLocationName(padView, location);
            host::setConditionsLine(padView, conditions);
            return weatherTexts();
        };
        using Texts = std::vector<std::string>;
        EXPECT_EQ(push(NSStr("21°"), NSStr("Paris"), NSStr("Sunny")), (Texts{"Sunny", "Paris・21°"}));
        EXPECT_EQ(push(id{}, NSStr("Paris"), NSStr("Sunny")), (Texts{"Sunny", "Paris"}));
        EXPECT_EQ(push(NSStr("21°"), id{}, NSStr("Sunny")), (Texts{"Sunny", "21°"}));
        EXPECT_EQ(push(id{}, id{}, id{}), (Texts{"", ""}));
        // Placeholder words and empty texts count as missing too.
        EXPECT_EQ(push(NSStr("NULL"), NSStr("(null)"), NSStr("")), (Texts{"", ""}));
        EXPECT_EQ(push(NSStr(""), NSStr("Lima"), NSStr("NULL")), (Texts{"", "Lima"}));
        EXPECT_EQ(push(NSStr("(null)"), NSStr("NULL"), NSStr("Fog")), (Texts{"Fog", ""}));
    });
}

}  // namespace
