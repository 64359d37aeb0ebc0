#include "WebPackages.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "device/Boot.h"
#include "device/Control.h"
#include "device/DeviceFiles.h"
#include "device/Failure.h"
#include "device/InsidePaths.h"
#include "device/Keeper.h"
#include "device/Packages.h"

namespace cli {

using nlohmann::json;

namespace {

struct Decision {
    bool loaded = false;
    std::string reason;
};

// What SpringBoard answers is the device's word: only well-formed entries count.
std::map<std::string, Decision> decisionsOf(const std::string& reply, bool& safeMode) {
    std::map<std::string, Decision> out;
    json answer = json::parse(reply, nullptr, false);
    if (!answer.is_object()) return out;
    safeMode = answer.value("safeMode", false) == true;
    const json& libraries = answer["libraries"];
    if (!libraries.is_array()) return out;
    for (const json& l : libraries) {
        if (!l.is_object() || !l["library"].is_string() || !l["loaded"].is_boolean() || !l["reason"].is_string()) continue;
        out[l["library"].get<std::string>()] = {l["loaded"].get<bool>(), l["reason"].get<std::string>()};
    }
    return out;
}

json changeJson(const sim::PackageChange& change) {
    return {{"package", change.package},
            {"version", change.version},
            {"previousVersion", change.previousVersion},
            {"resprung", change.resprung}};
}

}  // namespace

json WebPackages::tweaks() {
    auto installed = sim::installedPackages(device_);
    bool booted = sim::bootState(device_).has_value();
    bool safeMode = false;
    std::map<std::string, Decision> decisions;
    bool answered = false;
    if (booted) {
        if (auto reply = sim::askSpringBoard(device_, "tweaks", 5)) {
            decisions = decisionsOf(*reply, safeMode);
            answered = true;
        }
    }
    safeMode = safeMode || sim::safeModeOf(device_).has_value();

    auto names = sim::DeviceFiles(device_).list(device_.dynamicLibrariesFolder());
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
    return {{"booted", booted}, {"safeMode", safeMode}, {"libraries", libraries}, {"packages", packages}};
}

json WebPackages::installPackage(const std::string& fileName, const std::string& bytes) {
    try {
        return changeJson(sim::installPackageBytes(device_, bytes, fileName));
    } catch (const sim::Failure& e) {
        throw web::LinkError(e.what(), true);
    }
}

json WebPackages::removePackage(const std::string& package) {
    try {
        return changeJson(sim::removePackage(device_, package));
    } catch (const sim::Failure& e) {
        throw web::LinkError(e.what(), true);
    }
}

}  // namespace cli
