#include "Tweak/HookTable.h"

#include <iterator>

#include "Tweak/ChromeHooks.h"
#include "Tweak/DateViewHooks.h"
#include "Tweak/ListHooks.h"
#include "Tweak/PageHooks.h"
#include "Tweak/System.h"
#include "Tweak/UpdateNotice.h"
#include "Tweak/WeatherHooks.h"

namespace orvelle {

namespace {

// For every system version, before the page controller's added methods.
const Hook* const kUngroupedFirst[] = {
    &kStyleFormat,           &kStyleSetFormat,         &kSetTemperature,        &kSetConditionsImage,
    &kSetLocationName,       &kSetConditionsLine,      &kDateViewLayoutSubviews, &kDateViewSetFrame,
    &kDateControllerInit,    &kDateControllerLoadView, &kDateControllerUpdateView, &kNineControllerInit,
    &kPageLoadView,          &kPageViewWillAppear,     &kPageViewDidLoad,       &kPageViewDidLayoutSubviews,
};

// For every system version, after the added methods.
const Hook* const kUngroupedLast[] = {
    &kArtworkDidMoveToWindow, &kArtworkRemoveFromSuperview, &kCallToActionSetText, &kPolicyTodayView,
    &kApplicationDidFinishLaunching,
};

const Hook* const kIOS11[] = {&kMainDisplayPolicyTodayView, &kListMinY};
const Hook* const kIOS10[] = {&kSuggestedListViewFrame};

template <std::size_t N>
void apply(const Hook* const (&rows)[N]) {
    for (const Hook* row : rows) row->apply();
}

}  // namespace

void installHooks() {
    apply(kUngroupedFirst);
    addPageMethods();
    apply(kUngroupedLast);
    if (atLeast11())
        apply(kIOS11);
    else
        apply(kIOS10);
}

}  // namespace orvelle
