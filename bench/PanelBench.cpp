// The panel's once-a-second refresh steps, each as the plain reading would do
// it (settings file read and parsed, a new date formatter, at every step) and
// as built (the settings kept while the file is unchanged, formatters kept per
// pattern), the floor they approach (a kept formatter and the label's text),
// and a whole build of the panel. The settings live at the device's path, so
// run it inside a device:  orvelle-sim exec DEVICE -- orvelle_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "DateFormatters.h"
#include "OVClockViewController.h"
#include "Settings.h"
#include "foundation/DateFormatter.h"
#include "foundation/PropertyList.h"
#include "foundation/Process.h"
#include "foundation/RunLoop.h"
#include "uikit/UIKit.h"
#include "updateLabel.h"

namespace {

constexpr double kMonday = 1796677509.5;  // 7 December 2026, 21:05:09.5 UTC

// A settings file as the pane writes it, in the device's preferences folder.
// Answers false where there is no such folder (not inside a device).
bool prepareDevice(benchmark::State& state) {
    if (!std::filesystem::is_directory(orvelle::kPreferencesFolder)) {
        state.SkipWithError("no /var/mobile/Library/Preferences: run inside a device");
        return false;
    }
    id dict = NSDictionaryNew();
    auto d = rt::cast<NSDictionary>(dict);
    for (const char* k : {"enableOVS", "useBold", "hideText", "cusText", "hideToy", "moveTop", "disAutoBW", "lockLoc"})
        d->setObject(NSNum(true), k);
    for (const char* k : {"disFlashing", "enableCDF", "useBlack", "hideWea", "hideClo"}) d->setObject(NSNum(false), k);
    for (const char* k : {"clockStyle", "timeFormat", "a1"}) d->setObject(NSNum(1), k);
    for (const char* k : {"dayFormat", "dateFormat", "subTitle", "setCusText", "note"})
        d->setObject(NSStr("EEEE d MMMM"), k);
    if (!ns::writeToFile(dict, orvelle::kSettingsFile, true)) {
        state.SkipWithError("could not write the settings file");
        return false;
    }
    orvelle::registerClockViewController();
    ns::useVirtualClock(kMonday);
    ns::setDefaultLocale("en_US");
    ns::setDefaultTimeZone("UTC");
    return true;
}

void useCaches(bool on) {
    orvelle::setSettingsCaching(on);
    orvelle::setFormatterCaching(on);
}

// One step of a label, repeated; the clock moves a second each time, as it does
// between real steps. Only the step is timed: the fades the overlay leaves are
// dropped between steps, as the host's passes drop finished ones.
void refreshStep(benchmark::State& state, const char* step) {
    ns::ProcessScope fresh;
    if (!prepareDevice(state)) return;
    bool built = state.range(0) != 0;
    useCaches(built);
    id label = ui::makeLabel();
    double t = kMonday;
    for (auto _ : state) {
        ns::useVirtualClock(t += 1);
        ui::pruneAnimations(t);
        auto start = std::chrono::steady_clock::now();
        rt::send<void()>(label, step);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    useCaches(true);
    state.SetLabel(built ? "as built" : "fresh read, fresh formatter");
}

void BM_TimeLabelStep(benchmark::State& state) { refreshStep(state, "timeLabelSet"); }
void BM_OverlayStep(benchmark::State& state) { refreshStep(state, "timeLabelSetHide"); }
void BM_DateLabelStep(benchmark::State& state) { refreshStep(state, "dateLabelSet"); }
BENCHMARK(BM_TimeLabelStep)->Arg(0)->Arg(1)->UseManualTime();
BENCHMARK(BM_OverlayStep)->Arg(0)->Arg(1)->UseManualTime();
BENCHMARK(BM_DateLabelStep)->Arg(0)->Arg(1)->UseManualTime();

// The floor: the date label's text with a kept formatter, nothing read.
void BM_FormatAndSetFloor(benchmark::State& state) {
    ns::ProcessScope fresh;
    if (!prepareDevice(state)) return;
    id label = ui::makeLabel();
    double t = kMonday;
    for (auto _ : state) ui::setText(label, NSStr(orvelle::formatDate("EEEE\nyyyy-MM-dd", t += 1)));
}
BENCHMARK(BM_FormatAndSetFloor);

void BM_PanelSettingsRead(benchmark::State& state) {
    ns::ProcessScope fresh;
    if (!prepareDevice(state)) return;
    orvelle::setSettingsCaching(state.range(0) != 0);
    for (auto _ : state) benchmark::DoNotOptimize(orvelle::intEntry(orvelle::cachedSettings(), "timeFormat"));
    orvelle::setSettingsCaching(true);
    state.SetLabel(state.range(0) ? "kept while unchanged" : "fresh read");
}
BENCHMARK(BM_PanelSettingsRead)->Arg(0)->Arg(1);

// A whole build of the panel (the integer reads print their value, which goes
// to /dev/null here rather than into the report).
void BM_PanelBuild(benchmark::State& state) {
    ns::ProcessScope fresh;
    if (!prepareDevice(state)) return;
    if (!rt::objc_getClass("SBFTouchPassThroughView"))
        rt::objc_registerClass("SBFTouchPassThroughView", rt::objc_getClass("UIView"));
    id panel = rt::allocInit("OVClockViewController");
    std::fflush(stdout);
    int saved = ::dup(STDOUT_FILENO);
    int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    for (auto _ : state) rt::send<void()>(panel, "setClockAccordingToStyle");
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
    ::close(null);
}
BENCHMARK(BM_PanelBuild);

}  // namespace
