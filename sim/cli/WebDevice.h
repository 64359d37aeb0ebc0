// A booted device as the web simulator drives it: its live screen through
// its SpringBoard's screen feed, touches through the control socket, the
// Settings side through its own Preferences program, and changes to the
// device through the same code as the verbs.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "device/Device.h"
#include "device/DeviceFiles.h"
#include "device/Profile.h"
#include "device/ScreenFeed.h"
#include "foundation/RunLoop.h"
#include "web/DeviceLink.h"

namespace cli {

class WebDevice final : public web::DeviceLink {
public:
    explicit WebDevice(sim::Device device);
    ~WebDevice() override;

    std::string framePNG() override;
    std::uint64_t frameSerial() override;
    void watch(web::LiveSink sink) override;
    void unwatch() override;
    void wantWholeScreen() override;
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
    void boot() override;
    nlohmann::json crashReports() override;
    std::string crashReport(const std::string& name) override;

private:
    // Runs the device's Preferences program with `words`; its page document.
    nlohmann::json runPreferences(const std::vector<std::string>& words);
    // A restart of the home screen, in the background: the page sees the
    // screen go and come back.
    void respringInBackground();
    void joinRespring();
    // Stops the device, makes it `profile` and boots it; back to `before`
    // (booted again) when it does not start, the failure saying so.
    void restartAs(const sim::Profile& profile, const sim::Profile& before, const std::string& wallpaperBefore);

    // The live side, on the run loop.
    void connectFeed();
    void dropFeed();
    void retryFeedIn(double seconds);
    void readFeed();
    void tellState(const std::string& state, const std::string& why);
    void watchSettings();

    sim::Device device_;
    std::uint64_t serial_ = 0;   // counts the updates pushed
    nlohmann::json shownPage_;   // the Settings page last shown, with its alerts
    std::thread respringThread_;
    std::atomic<bool> respringing_{false};

    web::LiveSink sink_;
    bool watching_ = false;
    sim::UniqueFd feed_;
    std::unique_ptr<ns::RunLoop::Source> feedSource_;
    std::unique_ptr<sim::ScreenFeedReader> reader_;
    id retry_;                    // the next attempt at the feed
    std::string state_, why_;     // as last told
    sim::UniqueFd settingsWatch_;
    std::unique_ptr<ns::RunLoop::Source> settingsSource_;
    id settingsQuiet_;            // settings events are told once they settle
};

}  // namespace cli
