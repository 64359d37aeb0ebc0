#include "Internal.h"
#include "foundation/RunLoop.h"

namespace ui::detail {

void invalidateTimer(id& timer) {
    if (auto t = rt::cast<NSTimer>(timer)) t->invalidate();
    timer.reset();
}

}  // namespace ui::detail
