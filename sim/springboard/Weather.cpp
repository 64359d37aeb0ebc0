// The system weather widget: its lock-screen controller, the view it fills,
// and the view's style with its layout format.
#include "HostClass.h"
#include "WeatherWidget.h"
#include "uikit/UIView.h"
#include "uikit/UIViewController.h"

namespace springboard {

namespace {

class TodayPadViewStyle : public rt::Object {
public:
    unsigned long format = 0;
};

class TodayPadView : public UIView {
public:
    id temperature;
    id locationName;
    id conditionsLine;
    id conditionsImage;
};

class WidgetController : public UIViewController {
public:
    double updateInterval = 0;
};

unsigned long styleFormat(id self, SEL) { return stateOf<TodayPadViewStyle>(self).format; }
void styleSetFormat(id self, SEL, unsigned long format) { stateOf<TodayPadViewStyle>(self).format = format; }

void setTemperature(id self, SEL, id value) { stateOf<TodayPadView>(self).temperature = value; }
void setLocationName(id self, SEL, id value) { stateOf<TodayPadView>(self).locationName = value; }
void setConditionsLine(id self, SEL, id value) { stateOf<TodayPadView>(self).conditionsLine = value; }
void setConditionsImage(id self, SEL, id value) { stateOf<TodayPadView>(self).conditionsImage = value; }
id temperature(id self, SEL) { return stateOf<TodayPadView>(self).temperature; }
id locationName(id self, SEL) { return stateOf<TodayPadView>(self).locationName; }
id conditionsLine(id self, SEL) { return stateOf<TodayPadView>(self).conditionsLine; }
id conditionsImage(id self, SEL) { return stateOf<TodayPadView>(self).conditionsImage; }

void widgetLoadView(id self, SEL) {
    rt::send<void(id)>(self, "setView:", ui::makeView(rt::objc_getClass("WATodayPadView"), CGRectZero));
}
// The widget fetches weather this often while it lives; fetching comes with the weather record.
void widgetSetUpdateInterval(id self, SEL, double seconds) {
    stateOf<WidgetController>(self).updateInterval = seconds;
    startWeatherRefresh(self, seconds);
}
double widgetUpdateInterval(id self, SEL) { return stateOf<WidgetController>(self).updateInterval; }

}  // namespace

std::vector<HostClass> weatherClasses() {
    return {
        {"WATodayPadViewStyle", "NSObject", rt::factoryFor<TodayPadViewStyle>(),
         {method<&styleFormat>("format"), method<&styleSetFormat>("setFormat:")}},
        {"WATodayPadView", "UIView", rt::factoryFor<TodayPadView>(),
         {method<&setTemperature>("setTemperature:"), method<&setLocationName>("setLocationName:"),
          method<&setConditionsLine>("setConditionsLine:"), method<&setConditionsImage>("setConditionsImage:"),
          method<&temperature>("temperature"), method<&locationName>("locationName"),
          method<&conditionsLine>("conditionsLine"), method<&conditionsImage>("conditionsImage")}},
        {"WALockscreenWidgetViewController", "UIViewController", rt::factoryFor<WidgetController>(),
         {method<&widgetLoadView>("loadView"), method<&widgetSetUpdateInterval>("setUpdateInterval:"),
          method<&widgetUpdateInterval>("updateInterval")}},
    };
}

}  // namespace springboard
