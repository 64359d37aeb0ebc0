// The application object. The host registers its own subclass and makes one
// instance: the first UIApplication (or subclass) that receives init becomes
// the shared application, replacing one made only because sharedApplication
// was asked before the host made its own.
#pragma once

#include <string>
#include <vector>

#include "graphics/Geometry.h"
#include "foundation/Objects.h"
#include "uikit/SharedMessages.h"

class UIApplication : public rt::Object {
public:
    id delegate_;
};

namespace ui {

inline constinit const rt::ClassMsg<id()> sharedApplication{"UIApplication", "sharedApplication"};
// (0, 0, screen width, status bar height)
inline constinit const rt::Msg<CGRect()> statusBarFrame{"statusBarFrame"};
inline constinit const rt::Msg<int()> nowPlayingProcessPID{"nowPlayingProcessPID"};
inline constinit const rt::Msg<bool()> isNowPlayingAppPlaying{"isNowPlayingAppPlaying"};
// Logs "UIApplication: openURL <url>", records it, answers YES for a URL that has a scheme.
inline constinit const rt::Msg<bool(id)> openURL{"openURL:"};
// ui::keyWindow() and ui::windows() (uikit/UIWindow.h) answer the same in C++.
inline constinit const rt::Msg<id()> UIApplication_keyWindow{"keyWindow"};
inline constinit const rt::Msg<id()> UIApplication_windows{"windows"};  // an NSArray
// Also delegate (uikit/SharedMessages.h).
inline constinit const rt::Msg<void(id)> setDelegate{"setDelegate:"};

// Makes `app` the shared application (the host may instead init its instance).
void setSharedApplication(const id& app);
// Media playing in another process: pid 0 means none.
void setNowPlaying(int pid, bool playing);
// Every URL passed to openURL:, oldest first.
const std::vector<std::string>& openedURLs();
}  // namespace ui
