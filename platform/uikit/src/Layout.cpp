#include "uikit/Layout.h"

#include "Internal.h"
#include "foundation/Process.h"
#include "foundation/RunLoop.h"
#include "uikit/UIView.h"

namespace ui {

namespace {
bool anyMarked(const id& view) {
    auto* v = dynamic_cast<UIView*>(view.get());
    if (!v) return false;
    if (v->needsLayout_) return true;
    for (const id& c : v->subviews_)
        if (anyMarked(c)) return true;
    return false;
}
}  // namespace

void layoutPass() {
    // A layoutSubviews may mark views that were already passed (an ancestor);
    // a few rounds settle every ordinary tree, and a tree that keeps marking
    // itself cannot hang the run loop.
    for (int round = 0; round < 8; ++round) {
        bool any = false;
        for (const id& w : detail::allWindows())
            if (anyMarked(w)) {
                any = true;
                detail::layoutViewTree(w);
            }
        if (!any) return;
    }
}

namespace {
// The process's layout pass, as long as the process lives.
struct LayoutPassPart {
    std::unique_ptr<ns::RunLoop::Observer> observer;
};
}  // namespace

void installLayoutPass() {
    auto& part = ns::Process::current().part<LayoutPassPart>();
    if (!part.observer) part.observer = ns::RunLoop::main().observePasses("layout pass", [] { layoutPass(); });
}

}  // namespace ui
