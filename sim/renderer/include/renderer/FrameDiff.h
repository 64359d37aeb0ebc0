// What changed on the screen since the frame last shown: the new frame is
// compared with it in tiles, and the changed tiles are joined into a few
// rectangles (the colon's fade is one small rectangle, a moved block two).
#pragma once

#include <vector>

#include "renderer/Frame.h"
#include "renderer/LivePNG.h"

namespace render {

class FrameDiff {
public:
    static constexpr int kTile = 32;  // device pixels

    // The rectangles of `frame` that differ from the frame last given, which
    // `frame` replaces; the whole frame when there was none or its size changed.
    std::vector<PixelRect> next(Frame frame);
    // The frame last given (empty before the first).
    const Frame& last() const { return last_; }
    // Forgets the last frame: the next one is whole.
    void reset() { last_ = Frame(); }

private:
    Frame last_;
};

// The rectangles of `now` that differ from `before` (frames of one size), as
// FrameDiff joins them.
std::vector<PixelRect> changedRects(const Frame& before, const Frame& now, int tile = FrameDiff::kTile);

}  // namespace render
