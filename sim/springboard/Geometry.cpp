#include "Geometry.h"

#include "LockScreenFigures.h"
#include "renderer/FontMap.h"
#include "uikit/UIDevice.h"

namespace springboard {

CGRect defaultDateTimeFrame() {
    const LockScreenFigures& f = figures();
    double top = f.screen.timeBaseline - render::lineMetrics(f.timeFont, f.screen.timeSize).baseline;
    double bottom = f.screen.dateBaseline + f.listBelowDateBaseline - kListGap;
    return CGRectMake(0, top, ui::deviceProfile().screenWidth, bottom - top);
}

}  // namespace springboard
