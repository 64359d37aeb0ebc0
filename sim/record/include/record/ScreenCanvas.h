// The screen as a recording sees it: every update SpringBoard pushes (a whole
// screen, or the regions that changed) laid on one canvas of the device's pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/Result.h"
#include "wire/common.pb.h"

namespace record {

class ScreenCanvas {
public:
    // Lays the update's pictures on the canvas; the first update (or one of
    // another size) must be whole. A picture that does not decode or does not
    // lie on the screen fails, naming it, and leaves the canvas as it was.
    ns::Result<> apply(const wire::ScreenUpdate& update);

    bool ready() const { return !rgba_.empty(); }
    int width() const { return width_; }
    int height() const { return height_; }
    // width * height pixels, bytes R, G, B, A (opaque).
    const std::vector<std::uint8_t>& rgba() const { return rgba_; }

private:
    int width_ = 0, height_ = 0;
    std::vector<std::uint8_t> rgba_;
};

}  // namespace record
