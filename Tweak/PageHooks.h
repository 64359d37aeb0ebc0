// The main lock-screen page drives the panel: it builds it, keeps it on top and
// coloured, fades it, and pushes captured weather into it.
#pragma once

#include "Tweak/HookTable.h"

namespace orvelle {

extern const Hook kPageLoadView;
extern const Hook kPageViewWillAppear;
extern const Hook kPageViewDidLoad;
extern const Hook kPageViewDidLayoutSubviews;

// Adds hide, show, update and the three properties to the page controller.
void addPageMethods();

}  // namespace orvelle
