#include "Tweak/UpdateNotice.h"

#include <dirent.h>

#include <algorithm>
#include <memory>

#include "Settings.h"
#include "Tweak/Commands.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/PropertyList.h"
#include "substrate/Substrate.h"
#include "uikit/UIAlertView.h"

namespace orvelle {

namespace {

constexpr const char* kOlderMarkerPrefix = "com.tovik.orvellehasbeenupdated";
constexpr const char* kNoticeTitle = "OrvelleiOS";
constexpr const char* kNoticeMessage =
    "Now OrvelleiOS can automatically change the color of clock/weather label.\n\n"
    "Animation was improved in iOS 11.\n\n"
    "\":\" also has an animation now";

void (*stockDidFinishLaunching)(id, SEL, id) = nullptr;

// Nothing posts this name; the empty handler keeps a stray post harmless.
void showConfigWindowNowImp(id, SEL) {}

void run(const std::vector<std::string>& arguments, const char* path) {
    std::vector<char*> argv;
    for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    processTheCommand(path, argv.data());
}

void showNotice(const id& application) { ui::show(ui::makeAlert(kNoticeTitle, kNoticeMessage, application, "Okay!")); }

void didFinishLaunching(id self, SEL cmd, id application) {
    stockDidFinishLaunching(self, cmd, application);

    rt::class_addMethod(self->isa, showConfigWindowNow.sel(), &showConfigWindowNowImp, "v@:");
    ns::addObserver(self, showConfigWindowNow.sel(), kShowConfigWindowNow);

    if (ns::fileExistsAtPath(kUpdateMarkerFile)) return;

    std::vector<std::string> removal{"rm", "-rfv"};
    for (auto& marker : olderMarkers(kPreferencesFolder)) removal.push_back(marker);
    run(removal, "/bin/rm");

    NSLog("OVS: OrvelleiOS has been updated.");
    showNotice(self);
    run({"touch", kUpdateMarkerFile}, "/bin/touch");
}

}  // namespace

std::vector<std::string> olderMarkers(const std::string& folder) {
    std::vector<std::string> found;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (dir) {
        while (dirent* e = readdir(dir.get())) {
            std::string name = e->d_name;
            // A shell's * does not match a leading dot; names never hold a slash.
            if (name.rfind(kOlderMarkerPrefix, 0) == 0) found.push_back(folder + "/" + name);
        }
    }
    std::sort(found.begin(), found.end());
    if (found.empty()) found.push_back(folder + "/" + kOlderMarkerPrefix + "*");
    return found;
}

const Hook kApplicationDidFinishLaunching = Hook::of<&didFinishLaunching, &stockDidFinishLaunching>(
    "SpringBoard", "applicationDidFinishLaunching:");

}  // namespace orvelle
