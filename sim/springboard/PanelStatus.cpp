#include "PanelStatus.h"

#include "foundation/Conversions.h"
#include "foundation/PropertyList.h"
#include "substrate/Substrate.h"
#include "uikit/UIDevice.h"

namespace springboard {

namespace {

PanelStatus& recorded() {
    static PanelStatus status{false, "the home screen has not loaded its tweaks yet"};
    return status;
}

// The tweak hooks the stock date view first of all; without that hook it did not start.
bool panelHooked() {
    for (const substrate::InstalledHook& hook : substrate::installedHooks())
        if (hook.className == "SBFLockScreenDateView") return true;
    return false;
}

bool masterSwitchOn() {
    auto settings = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(kPanelSettingsFile));
    return settings && ns::boolValue(settings->objectForKey("enableOVS"));
}

}  // namespace

PanelStatus judgePanel(const std::vector<substrate::LoadOutcome>& loaded, bool safeMode) {
    if (safeMode) return {false, "the home screen runs in safe mode, without tweaks"};
    const substrate::LoadOutcome* panel = nullptr;
    for (const auto& outcome : loaded)
        if (outcome.library == kPanelLibrary) panel = &outcome;
    if (!panel) return {false, "the tweak is not installed"};
    if (!panel->loaded) return {false, "the loader did not load the tweak: " + panel->reason};
    if (ui::deviceProfile().model.rfind("iPad", 0) == 0) return {false, "the tweak does not run on an iPad"};
    if (!masterSwitchOn()) return {false, "the master switch is off"};
    if (!panelHooked()) return {false, "the tweak loaded but did not start"};
    return {true, "shown"};
}

void recordPanelStatus(const std::vector<substrate::LoadOutcome>& loaded, bool safeMode) {
    recorded() = judgePanel(loaded, safeMode);
}

PanelStatus panelStatus() { return recorded(); }

}  // namespace springboard
