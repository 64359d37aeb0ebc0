#include "WeatherWidget.h"

#include <vector>

#include "ConditionImage.h"
#include "foundation/RunLoop.h"
#include "host/Weather.h"
#include "uikit/UIViewController.h"
#include "weather/WeatherRecord.h"

namespace springboard {

namespace {

struct Schedule {
    std::weak_ptr<rt::Object> widget;
    id timer;
};

std::vector<Schedule>& schedules() {
    static auto* all = new std::vector<Schedule>;
    return *all;
}

void invalidate(const id& timer) {
    if (auto t = rt::cast<NSTimer>(timer)) t->invalidate();
}

}  // namespace

bool refreshWidget(const id& widget) {
    if (!widget || !ui::parentViewController(widget)) return false;
    weather::Record record = weather::readRecord(weather::kRecordFile);
    id view = ui::view(widget);
    // A value the record lacks is set as nothing, as before the data arrives.
    auto text = [](const weather::Value& value) { return value ? NSStr(*value) : id{}; };
    host::setTemperature(view, text(record.temperature));
    host::setLocationName(view, text(record.location));
    host::setConditionsImage(view, record.icon ? conditionImage(*record.icon) : id{});
    host::setConditionsLine(view, text(record.conditions));
    return true;
}

void startWeatherRefresh(const id& widget, double seconds) {
    auto& all = schedules();
    std::erase_if(all, [&](Schedule& s) {
        auto live = s.widget.lock();
        if (live && live != widget) return false;
        invalidate(s.timer);
        return true;
    });
    if (!(seconds > 0)) return;
    std::weak_ptr<rt::Object> weak = widget;
    id timer = ns::scheduledTimer(seconds, true, [weak](const id& timer) {
        if (auto live = weak.lock()) refreshWidget(live);
        else invalidate(timer);
    }, "the weather widget's refresh");
    all.push_back({weak, timer});
    ns::RunLoop::main().perform([weak] {
        if (auto live = weak.lock()) refreshWidget(live);
    });
}

int refreshWeatherNow() {
    int count = 0;
    std::vector<id> live;
    for (const Schedule& s : schedules())
        if (auto w = s.widget.lock()) live.push_back(w);
    for (const id& widget : live) count += refreshWidget(widget) ? 1 : 0;
    return count;
}

}  // namespace springboard
