// A booted device as the web simulator drives it: frames and touches through
// its SpringBoard's control socket, the Settings side through its own
// Preferences program, and changes to the device through the same code as the
// verbs.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "device/Device.h"
#include "web/DeviceLink.h"

namespace cli {

class WebDevice final : public web::DeviceLink {
public:
    explicit WebDevice(sim::Device device);
    ~WebDevice() override;

    std::string framePNG() override;
    std::uint64_t frameSerial() override;
    void touch(web::TouchPhase phase, double x, double y) override;
    nlohmann::json status() override;
    nlohmann::json prefsPage(const std::string& page) override;
    nlohmann::json prefsSet(const std::string& page, const std::string& key, const nlohmann::json& value) override;
    nlohmann::json prefsPress(const std::string& page, const std::string& action) override;
    nlohmann::json prefsAlertButton(long index) override;
    void setWeather(const web::WeatherReport& report) override;
    void setMedia(bool playing) override;
    void respring() override;
    void change(const web::DeviceChange& change) override;

private:
    // Runs the device's Preferences program with `words`; its page document.
    nlohmann::json runPreferences(const std::vector<std::string>& words);
    // A restart of the home screen, in the background: the page keeps asking
    // for frames and sees the screen go dark and come back.
    void respringInBackground();
    void joinRespring();

    sim::Device device_;
    std::string frame_;          // the newest PNG
    std::uint64_t serial_ = 0;   // changes whenever frame_ does
    bool dark_ = false;          // frame_ is the screen of a home screen that is not up
    nlohmann::json shownPage_;   // the Settings page last shown, with its alerts
    std::thread respringThread_;
    std::atomic<bool> respringing_{false};
};

}  // namespace cli
