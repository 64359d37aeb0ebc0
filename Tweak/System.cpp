#include "Tweak/System.h"

#include "foundation/Conversions.h"
#include "uikit/UIDevice.h"

namespace orvelle {

double systemVersion() { return static_cast<double>(ns::floatValue(ui::systemVersion(ui::currentDevice()))); }

}  // namespace orvelle
