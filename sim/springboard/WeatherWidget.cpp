#include "WeatherWidget.h"

#include "foundation/Process.h"
#include "foundation/Timer.h"

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
    ns::Timer timer;
};

// The widgets refreshed on a schedule: a part of the process.
struct Schedules {
    std::vector<Schedule> all;
};

std::vector<Schedule>& schedules() { return ns::Process::current().part<Schedules>().all; }

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
    // A widget gone, or this one scheduled anew: its old timer goes with its entry.
    std::erase_if(all, [&](Schedule& s) {
        auto live = s.widget.lock();
        return !live || live == widget;
    });
    if (!(seconds > 0)) return;
    std::weak_ptr<rt::Object> weak = widget;
    all.push_back({weak, ns::Timer::every(seconds, "the weather widget's refresh", [weak] {
                       if (auto live = weak.lock()) refreshWidget(live);
                   })});
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
