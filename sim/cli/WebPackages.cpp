#include "WebPackages.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

#include "device/Boot.h"
#include "device/DeviceFiles.h"
#include "wire/Failure.h"
#include "wire/InsidePaths.h"
#include "device/Keeper.h"
#include "device/Packages.h"
#include "wire/Requests.h"

namespace cli {

using nlohmann::json;

namespace {

struct Decision {
    bool loaded = false;
    std::string reason;
};

std::map<std::string, Decision> decisionsOf(const wire::TweaksReport& report) {
    std::map<std::string, Decision> out;
    for (const wire::LoaderDecision& l : report.libraries()) out[l.library()] = {l.loaded(), l.reason()};
    return out;
}

json changeJson(const sim::PackageChange& change) {
    return {{"package", change.package},
            {"version", change.version},
            {"previousVersion", change.previousVersion},
            {"resprung", change.resprung}};
}

}  // namespace

void WebPackages::tweaks(web::Then<json> then) {
    auto answer = [this, then](std::optional<wire::TweaksReport> report) {
        try {
            then(tweaksNow(report));
        } catch (const sim::Failure& e) {
            then(web::LinkError(e.what()));
        } catch (const web::LinkError& e) {
            then(e);
        }
    };
    if (!sim::bootState(device_.device())) return answer(std::nullopt);
    device_.springBoard().request(
        wire::tweaksRequest(),
        [answer](ns::Result<wire::Answer> a) {
            answer(a && a->has_tweaks() ? std::optional<wire::TweaksReport>(a->tweaks()) : std::nullopt);
        },
        5);
}

json WebPackages::tweaksNow(const std::optional<wire::TweaksReport>& report) {
    const sim::Device& device = device_.device();
    auto installed = sim::installedPackages(device);
    bool booted = sim::bootState(device).has_value();
    bool answered = report.has_value();
    std::map<std::string, Decision> decisions = report ? decisionsOf(*report) : std::map<std::string, Decision>{};
    bool safeMode = (report && report->safe_mode()) || sim::safeModeOf(device).has_value();

    auto names = sim::DeviceFiles(device).list(device.dynamicLibrariesFolder());
    if (!names) throw web::LinkError(names.reason());
    json libraries = json::array();
    for (const std::string& name : *names) {
        if (name.size() < 7 || name.compare(name.size() - 6, 6, ".dylib") != 0) continue;
        Decision d;
        if (!booted)
            d.reason = "the device is not booted";
        else if (safeMode)
            d.reason = "safe mode: SpringBoard started without tweaks";
        else if (!answered)
            d.reason = "SpringBoard did not answer";
        else if (auto it = decisions.find(name); it != decisions.end())
            d = it->second;
        else
            d.reason = "installed after SpringBoard started; respring to load it";
        const sim::InstalledPackage* owner =
            sim::ownerOf(installed, std::string(sim::inside::kDynamicLibraries) + "/" + name);
        libraries.push_back({{"library", name},
                             {"loaded", d.loaded},
                             {"reason", d.reason},
                             {"package", owner ? json(owner->name()) : json()},
                             {"version", owner ? json(owner->version()) : json()}});
    }
    // In the order the loader takes them: letters without regard to case.
    auto folded = [](std::string name) {
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return name;
    };
    std::sort(libraries.begin(), libraries.end(), [&](const json& a, const json& b) {
        return folded(a["library"].get<std::string>()) < folded(b["library"].get<std::string>());
    });
    json packages = json::array();
    for (const auto& p : installed)
        packages.push_back({{"package", p.name()}, {"version", p.version()}, {"name", p.control["Name"]}});
    // Whether the clock panel is on the lock screen, as the home screen judged it at its start.
    json panel = nullptr;
    if (report && report->has_panel()) panel = {{"shown", report->panel().shown()}, {"reason", report->panel().reason()}};
    return {{"booted", booted}, {"safeMode", safeMode}, {"libraries", libraries}, {"packages", packages}, {"panel", panel}};
}

// The package manager refuses with one line: the request's fault.
void WebPackages::change(const std::string& what, std::function<std::string()> work, web::Then<json> then) {
    device_.jobs().start(what, std::move(work), [this, then](ns::Result<std::string> done) {
        if (!done) return then(web::LinkError(done.reason(), true));
        json answer = json::parse(*done, nullptr, false);
        if (answer.is_discarded()) return then(web::LinkError("the package manager answered nothing"));
        if (answer.value("resprung", false)) device_.springBoard().reconnectSoon();
        then(std::move(answer));
    });
}

void WebPackages::installPackage(const std::string& fileName, std::string bytes, web::Then<json> then) {
    const sim::Device device = device_.device();
    change(
        "installing " + fileName,
        [device, fileName, bytes = std::move(bytes)] {
            return changeJson(sim::installPackageBytes(device, bytes, fileName)).dump();
        },
        std::move(then));
}

void WebPackages::removePackage(const std::string& package, web::Then<json> then) {
    const sim::Device device = device_.device();
    change(
        "removing " + package, [device, package] { return changeJson(sim::removePackage(device, package)).dump(); },
        std::move(then));
}

}  // namespace cli
