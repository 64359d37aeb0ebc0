// The stock date view is hidden and the panel follows its vertical place; the
// stock date-view controller and Nine's background controller are remembered.
#pragma once

#include "Tweak/HookTable.h"

namespace orvelle {

extern const Hook kDateViewLayoutSubviews;
extern const Hook kDateViewSetFrame;
extern const Hook kDateControllerInit;
extern const Hook kDateControllerLoadView;
extern const Hook kDateControllerUpdateView;
extern const Hook kNineControllerInit;

}  // namespace orvelle
