// The web simulator's Tweaks panel over a device: the libraries in its
// DynamicLibraries with the loader's decisions (asked of its SpringBoard) and
// their packages, and its package manager, whose changes run as jobs of the
// device's (a package's scripts may take their time).
#pragma once

#include "WebDevice.h"
#include "web/PackageLink.h"

namespace cli {

class WebPackages final : public web::PackageLink {
public:
    explicit WebPackages(WebDevice& device) : device_(device) {}

    void tweaks(web::Then<nlohmann::json> then) override;
    void installPackage(const std::string& fileName, std::string bytes, web::Then<nlohmann::json> then) override;
    void removePackage(const std::string& package, web::Then<nlohmann::json> then) override;

private:
    // The libraries and packages, with SpringBoard's decisions when it answered.
    nlohmann::json tweaksNow(const std::optional<wire::TweaksReport>& report);
    void change(const std::string& what, std::function<std::string()> work, web::Then<nlohmann::json> then);
    WebDevice& device_;
};

}  // namespace cli
