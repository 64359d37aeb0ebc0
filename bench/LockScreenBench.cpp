// The stock lock screen's frame as SpringBoard draws it: the host classes of
// 11 on a 375 x 667 screen at 2x, the media card at the list's head, three
// notification platters on their blurred material, the status bar and the
// stock clock. The platters' blur is made at the first frame and kept, so a
// frame of an unchanged screen costs the drawing alone.
#include <benchmark/benchmark.h>

#include "HostClass.h"
#include "LockScreen.h"
#include "Screen.h"
#include "foundation/Process.h"
#include "foundation/RunLoop.h"
#include "renderer/Material.h"
#include "uikit/Layout.h"
#include "uikit/UIKit.h"

namespace {

// Before any benchmark registers a stand-in of a host class of its own.
const bool kHostClasses = [] {
    springboard::registerAllHostClasses(11);
    return true;
}();

int shownPlatters() {
    id list = ui::viewIfLoaded(rt::send<id()>(springboard::lockScreen().page, "combinedListViewController"));
    int n = 0;
    for (const id& v : ui::subviews(list))
        n += rt::isKindOfClass(v, "NCNotificationShortLookView") && !ui::isHidden(v) ? 1 : 0;
    return n;
}

void BM_LockScreenFrameWithPlattersAndMedia(benchmark::State& state) {
    (void)kHostClasses;
    ns::ProcessScope fresh;
    ui::DeviceProfile device;
    device.systemVersion = "11.1.2";
    ui::configureDevice(device);
    ns::useVirtualClock(1'800'000'000);
    springboard::startLockScreen();
    ui::layoutPass();
    springboard::setMediaPlaying(true);
    ui::layoutPass();
    springboard::renderScreenNow();
    const std::size_t blurs = render::materialBlursMade();
    for (auto _ : state) {
        render::Frame frame = springboard::renderScreenNow();
        benchmark::DoNotOptimize(frame.surface());
    }
    state.counters["platters"] = shownPlatters();
    state.counters["blurs"] = static_cast<double>(render::materialBlursMade() - blurs);
    springboard::setMediaPlaying(false);
    ns::useRealClock();
}
BENCHMARK(BM_LockScreenFrameWithPlattersAndMedia)->Unit(benchmark::kMillisecond);

}  // namespace
