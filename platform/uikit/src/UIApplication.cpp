#include "uikit/UIApplication.h"

#include "Internal.h"
#include "foundation/Process.h"
#include "uikit/UIDevice.h"
#include "foundation/NSURL.h"
#include "uikit/UIWindow.h"

namespace ui {

namespace {

struct Shared {
    id app;
    bool implicit = false;  // made only because someone asked before the host made its own
    int nowPlayingPID = 0;
    bool nowPlaying = false;
    std::vector<std::string> urls;
};
// The application object of the process, owned by the process.
Shared& shared() { return ns::Process::current().part<Shared>(); }

id initImp(id self, SEL) {
    auto& s = shared();
    if (!s.app || s.implicit) {
        s.app = self;
        s.implicit = false;
    }
    return self;
}

id sharedApplicationImp(id, SEL) {
    auto& s = shared();
    if (!s.app) {
        rt::allocInit("UIApplication");
        s.implicit = true;
    }
    return s.app;
}

CGRect statusBarFrameImp(id, SEL) {
    const auto& p = deviceProfile();
    return CGRectMake(0, 0, p.screenWidth, p.statusBarHeight);
}
int nowPlayingPIDImp(id, SEL) { return shared().nowPlayingPID; }
bool isNowPlayingImp(id, SEL) { return shared().nowPlaying; }

// The text of a URL object: an NSURL-like object's absoluteString, or the string itself.
std::string urlText(const id& url) {
    if (isString(url)) return str(url);
    if (rt::respondsToSelector(url, ns::absoluteString.sel())) return str(ns::absoluteString(url));
    return describe(url);
}

bool openURLImp(id, SEL, id url) {
    if (!url) return false;
    std::string text = urlText(url);
    NSLog("UIApplication: openURL %s", text.c_str());
    shared().urls.push_back(text);
    auto colon = text.find(':');
    return colon != std::string::npos && colon > 0;
}

id keyWindowImp(id, SEL) { return keyWindow(); }
id windowsImp(id, SEL) { return NSArrayNew(windows()); }
id delegateImp(id self, SEL cmd) { return rt::state<UIApplication>(self, cmd).delegate_; }
void setDelegateImp(id self, SEL cmd, id d) { rt::state<UIApplication>(self, cmd).delegate_ = d; }

}  // namespace

void setSharedApplication(const id& app) {
    shared().app = app;
    shared().implicit = false;
}
void setNowPlaying(int pid, bool playing) {
    shared().nowPlayingPID = pid;
    shared().nowPlaying = playing;
}
const std::vector<std::string>& openedURLs() { return shared().urls; }

namespace detail {
void registerApplicationClass() {
    rt::Class* cls = registerClass<UIApplication>("UIApplication", rt::NSObjectClass());
    rt::defineMethod(cls, rt::init, &initImp);
    rt::defineClassMethod(cls, sharedApplication, &sharedApplicationImp);
    rt::defineMethod(cls, statusBarFrame, &statusBarFrameImp);
    rt::defineMethod(cls, nowPlayingProcessPID, &nowPlayingPIDImp);
    rt::defineMethod(cls, isNowPlayingAppPlaying, &isNowPlayingImp);
    rt::defineMethod(cls, openURL, &openURLImp);
    rt::defineMethod(cls, UIApplication_keyWindow, &keyWindowImp);
    rt::defineMethod(cls, UIApplication_windows, &windowsImp);
    rt::defineMethod(cls, delegate, &delegateImp);
    rt::defineMethod(cls, setDelegate, &setDelegateImp);
}
}  // namespace detail

}  // namespace ui
