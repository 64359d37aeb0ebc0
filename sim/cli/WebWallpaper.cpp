// A picture from the page as the device's wallpaper.
#include <cstdio>
#include <functional>

#include "WebDevice.h"
#include "device/DeviceFiles.h"
#include "graphics/ImageFile.h"
#include "wire/Failure.h"

namespace cli {

using web::LinkError;

void WebDevice::setWallpaperPicture(const std::string& bytes, web::Then<json> then) {
    if (restarting_) return then(LinkError(device_.folder().string() + " is already starting anew; wait for it", true));
    const sim::Device device = device_;
    std::weak_ptr<WebDevice*> alive = self_;
    // Decoded apart from the server's loop: a large photo takes a while, and a
    // malformed one costs only the job.
    jobs_.start(
        "the check of a new wallpaper",
        [device, bytes] {
            auto picture = cg::decodeImage(bytes);
            if (!picture) throw sim::Failure("the picture cannot be the wallpaper: " + picture.reason());
            // Named by its bytes: a new picture is a new wallpaper, and the home screen starts again on it.
            char name[64];
            std::snprintf(name, sizeof name, "LockBackground-%016zx.%s", std::hash<std::string>{}(bytes),
                          bytes.rfind("\x89PNG", 0) == 0 ? "png" : "jpg");
            const std::string inside = std::string("/var/mobile/Library/SpringBoard/") + name;
            if (auto written = sim::DeviceFiles(device).replace(device.folder() / inside.substr(1), bytes, 0644); !written)
                throw sim::Failure(written.reason());
            return inside;
        },
        [alive, then](ns::Result<std::string> done) {
            auto self = alive.lock();
            if (!self) return then(LinkError("the server stops"));
            if (!done) return then(LinkError(done.reason(), true));
            web::DeviceChange change;
            change.wallpaper = *done;
            (*self)->change(change, then);
        });
}

}  // namespace cli
