// The lock screen's figures, in points: one table for every screen class and
// system version, so a better figure is one edit. Each says where it comes
// from; an estimate says so, with what it was chosen from.
#pragma once

#include "graphics/Geometry.h"

namespace springboard {

// What differs from one screen class to another.
struct ScreenFigures {
    double width, height;          // the class's portrait screen
    double timeSize, dateSize;     // the stock clock's and date's font sizes
    double timeBaseline;           // from the screen's top
    double dateBaseline;
    double callToActionBaseline;   // above the bottom edge
};

struct LockScreenFigures {
    ScreenFigures screen;
    bool tablet = false;
    bool homeButton = true;
    double statusBarHeight = 20;
    // The sensor housing and the status bar's ears beside it; 0 without one.
    double housingWidth = 0, housingHeight = 0;

    // Stock clock and date: the system font's display cut, thin time.
    const char* timeFont = ".SFUIDisplay-Thin";
    const char* dateFont = ".SFUIDisplay";
    // The first notification's top lies this far under the date's baseline:
    // 204 under 176 on 375 x 667 (measured on 10; applied to every class,
    // an estimate elsewhere).
    double listBelowDateBaseline = 28;

    // Call to action: 17-point semibold.
    const char* callToActionFont = ".SFUIText-Semibold";
    double callToActionSize = 17;

    // Notification platters (measured on 10 unless marked).
    double platterMargin = 8, platterGap = 8, headerHeight = 36;
    double cornerRadius = 12;         // measured from an imitation: low confidence
    double iconSize = 20, iconRadius = 5, iconInset = 8;  // the same imitation
    double dateInset = 16;            // the same imitation
    double contentInset = 14;         // estimate: title and body under the header
    double tabletListWidth = 400;     // estimate: the list's width on a tablet, centred
    double appNameSize = 13, titleSize = 15, bodySize = 15;  // estimates
    int bodyLines = 4;                // estimate
    double sectionHeaderHeight = 32;  // estimate: 11's "Earlier Today" heading

    // Page dots of home-button models: 46 x 9, 6 above the bottom edge (measured on 375 x 667).
    CGSize pageDots{46, 9};
    double pageDotsBottom = 6;

    // 375 x 812: quick actions and home indicator (measured on later systems).
    double quickActionDiameter = 50, quickActionInset = 71, quickActionAbove = 75;
    CGSize homeIndicator{134, 5};
    double homeIndicatorBottom = 8;
    // The padlock under the housing, above the clock (estimate: centred,
    // 22 points, its middle 14 points under the status bar).
    double proudLockSize = 22, proudLockBelowStatusBar = 14;

    // Media controls (estimates: no public measurement).
    double artworkShare = 0.6;        // 10's large artwork, of the screen's width
    double artworkMax = 300;          // ... on a tablet
    double mediaControlsHeight = 156; // 10's controls under the artwork
    double mediaCardHeight = 190;     // 11's compact card under the date
    double miniArtworkSize = 56;      // its artwork
};

// The figures of the device this process runs as. Versions 10 and 11 share
// them: no measurement of 10's lock screen differs from 11's.
const LockScreenFigures& figures();
// The figures of any device of the table, for tests and tools.
LockScreenFigures figuresFor(const char* model, double width, double height);

}  // namespace springboard
