// The web simulator's Tweaks panel over a device: the libraries in its
// DynamicLibraries with the loader's decisions (asked of its SpringBoard) and
// their packages, and its package manager.
#pragma once

#include "device/Device.h"
#include "web/PackageLink.h"

namespace cli {

class WebPackages final : public web::PackageLink {
public:
    explicit WebPackages(sim::Device device) : device_(std::move(device)) {}

    nlohmann::json tweaks() override;
    nlohmann::json installPackage(const std::string& fileName, const std::string& bytes) override;
    nlohmann::json removePackage(const std::string& package) override;

private:
    sim::Device device_;
};

}  // namespace cli
