// A booted device as the web simulator drives it: its live screen and
// touches through a session with its SpringBoard, the Settings side through a
// session with its Preferences program, and the changes that take the
// device's time (boot, restarts, a new setup) as jobs the run loop watches,
// done by the same code as the verbs. Nothing here waits on the device.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "LogFollower.h"
#include "device/Device.h"
#include "device/TemporaryFolder.h"
#include "foundation/RunLoop.h"
#include "foundation/Timer.h"
#include "foundation/UniqueFd.h"
#include "session/Job.h"
#include "session/SettingsSession.h"
#include "session/SpringBoardSession.h"
#include "web/DeviceLink.h"
#include "wire/Profile.h"

namespace cli {

class WebDevice final : public web::DeviceLink {
public:
    explicit WebDevice(sim::Device device);
    ~WebDevice() override;

    void framePNG(web::Then<std::string> then) override;
    std::uint64_t frameSerial() override;
    void watch(web::LiveSink sink) override;
    void unwatch() override;
    void wantWholeScreen() override;
    void touch(const wire::Touch& touch, web::Then<json> then) override;
    void status(web::Then<json> then) override;
    void prefsPage(const std::string& page, web::Then<json> then) override;
    void prefsSet(const std::string& page, const std::string& key, const json& value, web::Then<json> then) override;
    void prefsPress(const std::string& page, const std::string& action, web::Then<json> then) override;
    void prefsAlertButton(long index, web::Then<json> then) override;
    void setWeather(const web::WeatherReport& report, web::Then<json> then) override;
    void setMedia(bool playing, web::Then<json> then) override;
    void setLock(bool locked, web::Then<json> then) override;
    void setWallpaperPicture(const std::string& bytes, web::Then<json> then) override;
    void setStatusBar(const wire::StatusBar& overrides, web::Then<json> then) override;
    void respring(web::Then<json> then) override;
    void clock(const wire::ClockRequest& change, web::Then<json> then) override;
    void notify(const wire::NotifyRequest& request, web::Then<json> then) override;
    void viewTree(web::Then<std::string> then) override;
    void preview(web::Then<std::string> then) override;
    void change(const web::DeviceChange& change, web::Then<json> then) override;
    void boot(web::Then<json> then) override;
    void crashReports(web::Then<json> then) override;
    void crashReport(const std::string& name, web::Then<std::string> then) override;

    const sim::Device& device() const { return device_; }
    session::SpringBoardSession& springBoard() { return springBoard_; }
    session::Jobs& jobs() { return jobs_; }

private:
    // One request of the booted home screen; `shape` makes the page's answer
    // of SpringBoard's, a failure of its answer a LinkError.
    void askHomeScreen(const wire::ToSpringBoard& request, std::function<json(const wire::Answer&)> shape,
                       web::Then<json> then);
    // SpringBoard's answer that did not come or is a failure, as the page is told it.
    static web::LinkError failureOf(const ns::Result<wire::Answer>& answer);
    // The status as the files tell it, with what SpringBoard says of media.
    json statusNow(bool playing);
    // A Settings request; the page it answers becomes the one shown.
    void settings(wire::ToSettings request, web::Then<json> then);
    // A restart of the home screen, as a job: the page sees the screen go
    // and come back.
    void respringInBackground();
    // A boot or a new setup as a job: the session with SpringBoard waits
    // for it and comes back after.
    void restartJob(const std::string& what, std::function<std::string()> work, web::Then<json> then);
    void watchSettings();
    // Previews (WebPreview.cpp): one drawn at a time; asks that come meanwhile
    // wait for the next, which starts once this one is done.
    void startPreview();
    void drawPreview(const std::string& at);
    void previewDone(web::Outcome<std::string> outcome);

    sim::Device device_;
    session::SpringBoardSession springBoard_;
    session::SettingsSession settings_;
    session::Jobs jobs_;
    sim::TemporaryFolder previewFolder_{"preview"};
    std::vector<web::Then<std::string>> previewRunning_, previewNext_;
    std::uint64_t serial_ = 0;   // counts the updates pushed
    json shownPage_;             // the Settings page last shown, with its alerts
    bool respringing_ = false;
    bool restarting_ = false;    // a boot or a new setup under way
    bool playing_ = false;       // SpringBoard's last word on media

    web::LiveSink sink_;
    // The device log followed for the live pages (WebLog.cpp): its recent
    // tail, then each line as it is written.
    void watchLog();
    void heardLog(std::string_view bytes);
    std::unique_ptr<LogFollower> log_;
    std::string logCarry_;  // a line not yet ended
    bool watching_ = false;
    ns::UniqueFd settingsWatch_;
    std::unique_ptr<ns::RunLoop::Source> settingsSource_;
    ns::Timer settingsQuiet_;    // settings events are told once they settle
    std::shared_ptr<WebDevice*> self_ = std::make_shared<WebDevice*>(this);
};

}  // namespace cli
