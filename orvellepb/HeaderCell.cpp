#include <cmath>

#include "PaneClasses.h"
#include "uikit/UIKit.h"

namespace {

constexpr float kHeaderHeight = 90;

id makeHeaderLabel(CGRect frame, double fontSize, std::string_view text) {
    id label = ui::makeLabel(frame);
    ui::setNumberOfLines(label, 1);
    ui::setFont(label, ui::fontWithName_size(NSStr("HelveticaNeue-UltraLight"), fontSize));
    ui::setText(label, NSStr(text));
    ui::setBackgroundColor(label, ui::clearColor());
    ui::setTextColor(label, ui::blackColor());
    ui::setTextAlignment(label, NSTextAlignmentCenter);
    return label;
}

id initWithSpecifierImp(id self, SEL, id specifier) {
    self = rt::sendSuper(rt::objc_getClass("HeaderCell"), self, ps::initWithStyle_reuseIdentifier_specifier, 0L,
                         NSStr("headerCell"), specifier);
    auto cell = rt::cast<HeaderCell>(self);
    if (!cell) return {};
    ui::setBackgroundColor(self, ui::clearColor());
    // The screen's width, not the cell's, cut to whole points.
    CGFloat width = std::trunc(ui::screenBounds().size.width);
    cell->heading = makeHeaderLabel(CGRectMake(0, 0, width, 80), 48, "Orvelle");
    cell->subtitleK = makeHeaderLabel(CGRectMake(0, 55, width, 80), 16, "Tovik");
    id content = ps::contentView(self);
    ui::addSubview(content, cell->heading);
    ui::addSubview(content, cell->subtitleK);
    return self;
}

float preferredHeightForWidthImp(id, SEL, float) { return kHeaderHeight; }

}  // namespace

namespace orvellepb {

void registerHeaderCell() {
    rt::Class* c =
        rt::objc_registerClass("HeaderCell", rt::objc_getClass("PSTableCell"), rt::factoryFor<HeaderCell>());
    rt::defineMethod(c, ps::initWithSpecifier, &initWithSpecifierImp);
    rt::defineMethod(c, ps::preferredHeightForWidth, &preferredHeightForWidthImp);
}

}  // namespace orvellepb
