// The live screen as a booted device's SpringBoard pushes it to the tool. On
// the control socket, the line "screen-feed" makes the connection a feed: the
// first update is the whole screen, then one update whenever the screen
// changes, with only the rectangles that changed, each a PNG picture:
//
//   update  = "screen SERIAL WIDTH HEIGHT whole|part COUNT\n" COUNT * picture
//   picture = "X Y W H BYTES\n" BYTES of PNG
//
// Sizes are device pixels. The tool may write "whole\n" at any time to have
// the next update be the whole screen. The device's bytes are data: the
// reader bounds every count and size and checks that each rectangle lies on
// the screen.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/Control.h"
#include "device/DeviceFiles.h"
#include "foundation/Result.h"

namespace sim {

inline constexpr const char* kScreenFeedCommand = "screen-feed";
inline constexpr const char* kWholeFrameRequest = "whole";

struct ScreenPicture {
    int x = 0, y = 0, width = 0, height = 0;
    std::string png;
};

struct ScreenUpdate {
    std::uint64_t serial = 0;
    int width = 0, height = 0;  // the screen
    bool whole = false;
    std::vector<ScreenPicture> pictures;
};

std::string encodeScreenUpdate(const ScreenUpdate& update);

// Takes a feed's bytes as they come and hands out whole updates.
class ScreenFeedReader {
public:
    static constexpr int kLargestSide = 4096;                    // pixels
    static constexpr std::size_t kMostPictures = 4096;
    static constexpr std::size_t kLargestUpdate = 64 << 20;      // bytes of pictures in one update

    // The updates that `bytes` completed; a failure (the feed is unusable from
    // there on) names what was wrong.
    ns::Result<std::vector<ScreenUpdate>> take(std::string_view bytes);

private:
    bool headerLine(std::string& line);
    std::string pending_;
    ScreenUpdate current_;
    bool inUpdate_ = false;
    std::size_t picturesLeft_ = 0;
    std::size_t updateBytes_ = 0;
    bool inPicture_ = false;
    std::size_t pictureBytes_ = 0;
};

// Opens a feed of the device's screen: a connection to its SpringBoard's
// control socket, non-blocking, with the command sent. Fails when SpringBoard
// does not listen.
ns::Result<UniqueFd> openScreenFeed(const Device& device);

}  // namespace sim
