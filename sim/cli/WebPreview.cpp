// The lock screen as it will look after a restart of the home screen: a
// headless one-shot on a copy of the device's files, at the device's clock,
// drawn in a job so the server's loop goes on. The device itself is never
// touched: its files are only read, its screen is not asked for.
#include "OneShot.h"
#include "WebDevice.h"
#include "device/Boot.h"
#include "foundation/RegularFile.h"
#include "wire/Requests.h"

namespace cli {

using web::LinkError;

namespace {

// A preview is the screen at its pixels: a few megabytes at most.
constexpr std::size_t kLargestPreview = 64 * 1024 * 1024;

}  // namespace

void WebDevice::preview(web::Then<std::string> then) {
    if (!sim::bootState(device_)) return then(LinkError(device_.folder().string() + " is not booted"));
    // Asked while one is drawn: the settings may have changed since it began,
    // so the next drawing answers it.
    previewNext_.push_back(std::move(then));
    if (previewRunning_.empty()) startPreview();
}

void WebDevice::startPreview() {
    previewRunning_ = std::move(previewNext_);
    previewNext_.clear();
    std::weak_ptr<WebDevice*> alive = self_;
    wire::ClockRequest show;
    springBoard_.request(wire::clockRequest(show), [alive](ns::Result<wire::Answer> answer) {
        auto self = alive.lock();
        if (!self) return;
        if (!answer || answer->has_failure()) return (*self)->previewDone(failureOf(answer));
        (*self)->drawPreview(answer->clock().iso());
    });
}

void WebDevice::drawPreview(const std::string& at) {
    const sim::Device device = device_;
    const std::string file = (previewFolder_.path() / "preview.png").string();
    std::weak_ptr<WebDevice*> alive = self_;
    jobs_.start(
        "a preview of the lock screen",
        [device, at, file] {
            OneShotOptions options;
            options.at = at;
            oneShotScreenshot(device, options, file);
            return std::string();
        },
        [alive, file](ns::Result<std::string> done) {
            auto self = alive.lock();
            if (!self) return;
            if (!done) return (*self)->previewDone(LinkError("the preview could not be drawn: " + done.reason()));
            auto png = ns::readRegularFile(file, kLargestPreview);
            if (!png) return (*self)->previewDone(LinkError("the preview could not be read: " + png.reason()));
            (*self)->previewDone(std::move(*png));
        });
}

void WebDevice::previewDone(web::Outcome<std::string> outcome) {
    auto answered = std::move(previewRunning_);
    previewRunning_.clear();
    if (!previewNext_.empty()) startPreview();
    for (auto& then : answered) then(outcome);
}

}  // namespace cli
