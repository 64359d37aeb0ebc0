// What a recording takes from a device under libFuzzer: arbitrary bytes as
// the screen updates SpringBoard pushes, laid on one canvas in turn.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "record/ScreenCanvas.h"
#include "wire/Frame.h"
#include "wire/common.pb.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    record::ScreenCanvas canvas;
    // The input as a stream of framed updates, as the control socket carries them.
    wire::FrameReader reader(4 * 1024 * 1024);
    auto frames = reader.take(input);
    if (!frames) return 0;
    for (const std::string& f : *frames)
        if (auto update = wire::decode<wire::ScreenUpdate>(f)) (void)canvas.apply(*update);
    return 0;
}
