// What the matrix reads from outside the tool: a shot's dump (written inside
// a device, by code nobody here wrote) through the layout check, with pixels,
// and a shard's report (from another machine) through its reader. The first
// byte picks which.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "matrix/BoundedJson.h"
#include "matrix/LayoutCheck.h"
#include "matrix/Report.h"
#include "matrix/Sheets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 1) {
        auto report = matrix::parseReport(text);
        if (report) (void)matrix::sheetHtml(*report);
        return 0;
    }
    auto dump = matrix::boundedJson(text, 1 << 20, 3 * matrix::kDeepestViews + 16, "the dump");
    if (!dump) return 0;
    auto scene = matrix::sceneOf(*dump);
    if (!scene) return 0;
    // A small screen's pixels, whatever size the dump claims.
    std::vector<std::uint8_t> pixels(64 * 64 * 4, static_cast<std::uint8_t>(data[0]));
    (void)matrix::checkLayout(*scene, {64, 64, pixels.data()});
    return 0;
}
