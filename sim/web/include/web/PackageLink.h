// What the web simulator's Tweaks panel asks of a device: its tweaks with the
// loader's decisions and the packages they came in, and installing and
// removing packages. The device side implements it; tests use a fake. Called
// from the run loop's thread, one call at a time; a refusal is a LinkError.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "web/DeviceLink.h"

namespace web {

// tweaks():
// { "booted": true, "safeMode": false,
//   "libraries": [ { "library": "OrvelleiOS10.dylib", "loaded": true, "reason": "filter matched",
//                    "package": "com.tovik.orvelle" | null, "version": "1.4.0" | null } ],
//   "packages": [ { "package": "com.tovik.orvelle", "version": "1.4.0", "name": "Orvelle" } ] }
//
// installPackage() and removePackage() answer what changed:
// { "package": "com.example.lumen", "version": "0.1.0", "previousVersion": "", "resprung": true }
class PackageLink {
public:
    virtual ~PackageLink() = default;
    virtual void tweaks(Then<nlohmann::json> then) = 0;
    // `fileName` names the package in messages only.
    virtual void installPackage(const std::string& fileName, std::string bytes, Then<nlohmann::json> then) = 0;
    virtual void removePackage(const std::string& package, Then<nlohmann::json> then) = 0;
};

}  // namespace web
