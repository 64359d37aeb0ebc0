// Devices the benchmarks make for themselves.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "device/Boot.h"
#include "device/Create.h"
#include "device/DeviceFiles.h"
#include "device/TemporaryFolder.h"

namespace bench {

// A device of the benchmark's own, booted for one run of it and shut down
// and removed when the run ends, whichever way it ends.
class BootedDevice {
public:
    // `settings`: the tweak's settings file to boot with, as property-list text; empty keeps the default.
    explicit BootedDevice(const sim::Profile& profile = {}, const std::string& settings = "")
        : folder_("bench"), device_(folder_.path() / "device") {
        sim::createDevice(device_, profile);
        if (!settings.empty())
            if (auto written = sim::DeviceFiles(device_).replace(device_.settingsFile(), settings); !written)
                throw std::runtime_error(written.reason());
        state_ = sim::boot(device_, sim::BootOptions{});
    }
    ~BootedDevice() {
        try {
            sim::shutdown(device_);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "orvelle_bench: cannot shut down %s: %s\n", device_.folder().c_str(), e.what());
        }
    }
    BootedDevice(const BootedDevice&) = delete;
    BootedDevice& operator=(const BootedDevice&) = delete;
    const sim::Device& device() const { return device_; }
    pid_t supervisor() const { return state_.supervisor; }

private:
    sim::TemporaryFolder folder_;
    sim::Device device_;
    sim::BootState state_;
};

}  // namespace bench
