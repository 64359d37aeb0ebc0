#include "Geometry.h"

#include "uikit/UIDevice.h"

namespace springboard {

namespace {
constexpr double kDateTimeTop = 28;  // below the status bar
constexpr double kDateTimeHeight = 132;
constexpr double kListGap = 10;
}  // namespace

CGRect defaultDateTimeFrame() {
    const auto& p = ui::deviceProfile();
    return CGRectMake(0, p.statusBarHeight + kDateTimeTop, p.screenWidth, kDateTimeHeight);
}

CGRect defaultListFrame() {
    const auto& p = ui::deviceProfile();
    double top = CGRectGetMaxY(defaultDateTimeFrame()) + kListGap;
    return CGRectMake(0, top, p.screenWidth, p.screenHeight - top);
}

}  // namespace springboard
