// The system weather widget: its lock-screen controller, the view it fills,
// and the view's style with its layout format.
#include "HostClass.h"
#include "WeatherWidget.h"
#include "host/Weather.h"
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

unsigned long styleFormat(id self, SEL cmd) { return rt::state<TodayPadViewStyle>(self, cmd).format; }
void styleSetFormat(id self, SEL cmd, unsigned long format) { rt::state<TodayPadViewStyle>(self, cmd).format = format; }

TodayPadView& pad(const id& self, SEL cmd) { return rt::state<TodayPadView>(self, cmd); }
void setTemperature(id self, SEL cmd, id value) { pad(self, cmd).temperature = value; }
void setLocationName(id self, SEL cmd, id value) { pad(self, cmd).locationName = value; }
void setConditionsLine(id self, SEL cmd, id value) { pad(self, cmd).conditionsLine = value; }
void setConditionsImage(id self, SEL cmd, id value) { pad(self, cmd).conditionsImage = value; }
id temperature(id self, SEL cmd) { return pad(self, cmd).temperature; }
id locationName(id self, SEL cmd) { return pad(self, cmd).locationName; }
id conditionsLine(id self, SEL cmd) { return pad(self, cmd).conditionsLine; }
id conditionsImage(id self, SEL cmd) { return pad(self, cmd).conditionsImage; }

void widgetLoadView(id self, SEL) { ui::setView(self, ui::makeView(rt::objc_getClass("WATodayPadView"), CGRectZero)); }
// The widget fetches weather this often while it lives; fetching comes with the weather record.
void widgetSetUpdateInterval(id self, SEL cmd, double seconds) {
    rt::state<WidgetController>(self, cmd).updateInterval = seconds;
    startWeatherRefresh(self, seconds);
}
double widgetUpdateInterval(id self, SEL cmd) { return rt::state<WidgetController>(self, cmd).updateInterval; }

}  // namespace

std::vector<HostClass> weatherClasses() {
    return {
        {"WATodayPadViewStyle",
         "NSObject",
         rt::factoryFor<TodayPadViewStyle>(),
         {method<&styleFormat>(host::format), method<&styleSetFormat>(host::setFormat)}},
        {"WATodayPadView",
         "UIView",
         rt::factoryFor<TodayPadView>(),
         {method<&setTemperature>(host::setTemperature), method<&setLocationName>(host::setLocationName),
          method<&setConditionsLine>(host::setConditionsLine), method<&setConditionsImage>(host::setConditionsImage),
          method<&temperature>(host::temperature), method<&locationName>(host::locationName),
          method<&conditionsLine>(host::conditionsLine), method<&conditionsImage>(host::conditionsImage)}},
        {"WALockscreenWidgetViewController",
         "UIViewController",
         rt::factoryFor<WidgetController>(),
         {method<&widgetLoadView>(ui::loadView), method<&widgetSetUpdateInterval>(host::setUpdateInterval),
          method<&widgetUpdateInterval>(host::updateInterval)}},
    };
}

}  // namespace springboard
