// The application object. The host registers its own subclass and makes one
// instance: the first UIApplication (or subclass) that receives init becomes
// the shared application, replacing one made only because sharedApplication
// was asked before the host made its own.
#pragma once

#include <string>
#include <vector>

#include "graphics/Geometry.h"
#include "foundation/Objects.h"

class UIApplication : public rt::Object {
public:
    id delegate_;
};

// Class method: sharedApplication.
// Methods: statusBarFrame (CGRect(): (0, 0, screen width, status bar height)),
// nowPlayingProcessPID (int()), isNowPlayingAppPlaying (bool()),
// openURL: (bool(id url): logs "UIApplication: openURL <url>", records it,
// answers YES for a URL that has a scheme), keyWindow, windows (id()),
// delegate, setDelegate: (id).

namespace ui {
inline id sharedApplication() { return rt::sendClass<id()>(rt::objc_getClass("UIApplication"), "sharedApplication"); }
// Makes `app` the shared application (the host may instead init its instance).
void setSharedApplication(const id& app);
// Media playing in another process: pid 0 means none.
void setNowPlaying(int pid, bool playing);
// Every URL passed to openURL:, oldest first.
const std::vector<std::string>& openedURLs();
}  // namespace ui
