#include "dump/DeviceDump.h"

#include "dump/IsoTime.h"
#include "dump/ViewJson.h"
#include "foundation/RunLoop.h"
#include "substrate/Substrate.h"
#include "uikit/UIAlertView.h"
#include "uikit/UIApplication.h"
#include "uikit/UIDevice.h"

namespace dump {

using json = nlohmann::ordered_json;

std::string documentText(const nlohmann::ordered_json& document, int indent) {
    return document.dump(indent, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

json deviceDump(const DumpInput& input) {
    const ui::DeviceProfile& p = ui::deviceProfile();
    json out;
    out["model"] = p.model;
    out["systemVersion"] = p.systemVersion;
    out["time"] = isoTime(ns::now());
    out["screen"] = {{"width", p.screenWidth}, {"height", p.screenHeight}, {"scale", p.scale}};
    out["statusBar"] = {{"frame", rectJson(ui::statusBarFrame(ui::sharedApplication()))}};
    out["views"] = viewJson(input.window, input.textMeasure);
    out["notificationList"] =
        input.notificationList ? json{{"frame", rectJson(*input.notificationList)}} : json(nullptr);
    json alerts = json::array();
    for (const id& alert : ui::shownAlerts()) {
        auto a = rt::cast<UIAlertView>(alert);
        if (!a) continue;
        json entry{{"title", a->title}, {"message", a->message}, {"buttons", a->buttons}};
        if (input.alertButtonFrames) {
            json frames = json::array();
            for (const CGRect& r : input.alertButtonFrames(alert)) frames.push_back(rectJson(r));
            entry["buttonFrames"] = std::move(frames);
        }
        alerts.push_back(std::move(entry));
    }
    out["alerts"] = std::move(alerts);
    json hooks = json::array();
    for (const auto& hook : substrate::installedHooks())
        hooks.push_back({{"class", hook.className}, {"selector", hook.selector}});
    out["hooks"] = std::move(hooks);
    return out;
}

}  // namespace dump
