#include "Platters.h"

#include <algorithm>
#include <cctype>

#include "HostClass.h"
#include "Legibility.h"
#include "LockScreen.h"
#include "LockScreenFigures.h"
#include "LockState.h"
#include "foundation/RelativeDate.h"
#include "foundation/RunLoop.h"
#include "renderer/FontMap.h"
#include "renderer/Material.h"
#include "renderer/ViewPainters.h"
#include "uikit/UIColor.h"
#include "uikit/UIDevice.h"
#include "uikit/UIFont.h"
#include "uikit/UIImage.h"
#include "uikit/UIImageView.h"
#include "uikit/UILabel.h"
#include "uikit/UIViewController.h"

namespace springboard {

namespace {

class NotificationPlatter : public UIView {
public:
    PlatterContent content;
};

enum Tag : long { kHeader = 1, kIcon, kApp, kDate, kTitle, kBody, kHeading };

constexpr const char* kTextFont = ".SFUIText";
constexpr const char* kTitleFont = ".SFUIText-Semibold";
constexpr double kBottomPadding = 12;  // estimate
// What a hidden preview says in place of the title and body.
constexpr const char* kHiddenPreview = "Notification";

bool eleven() { return std::atoi(ui::deviceProfile().systemVersion.c_str()) >= 11; }

id tagged(const id& view, long tag) {
    for (const id& sub : ui::subviews(view)) {
        if (ui::tag(sub) == tag) return sub;
        if (id deeper = ui::tag(sub) == kHeader ? tagged(sub, tag) : id{}) return deeper;
    }
    return {};
}

id label(long tag, const char* font, double size, id colour) {
    id l = ui::makeLabel();
    ui::setTag(l, tag);
    ui::setFont(l, ui::fontWithName_size(NSStr(font), size));
    ui::setTextColor(l, colour);
    return l;
}

std::string capitals(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

double lineHeight(const char* font, double size) { return render::lineMetrics(font, size).height; }

bool previewHidden() { return !figures().homeButton && lockState() == LockState::Locked; }

// 10's light cells have a header band of their own tint; 11's platter is one piece.
render::Material platterMaterial() {
    render::Material m;
    m.cornerRadius = figures().cornerRadius;
    m.tint[3] = eleven() ? 0.62 : 0.72;
    return m;
}

void paintPlatter(cairo_t* cr, const id& view, CGSize size, double alpha) {
    render::paintMaterial(cr, CGRect{{0, 0}, size}, platterMaterial(), alpha);
    if (eleven() || !rt::cast<NotificationPlatter>(view)) return;
    const double r = figures().cornerRadius, h = std::min(figures().headerHeight, size.height);
    cairo_new_sub_path(cr);
    cairo_arc(cr, size.width - r, r, r, -M_PI / 2, 0);
    cairo_line_to(cr, size.width, h);
    cairo_line_to(cr, 0, h);
    cairo_arc(cr, r, r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.18 * alpha);
    cairo_fill(cr);
}

// The heading's clear button: a round "x" at its right end.
void paintHeading(cairo_t* cr, const id&, CGSize size, double alpha) {
    auto c = rt::cast<UIColor>(legibilityPrimaryColor());
    const double d = 22, cx = size.width - d / 2 - 4, cy = size.height / 2;
    cairo_set_source_rgba(cr, c->red, c->green, c->blue, 0.25 * alpha);
    cairo_arc(cr, cx, cy, d / 2, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_set_source_rgba(cr, c->red, c->green, c->blue, 0.9 * alpha);
    cairo_set_line_width(cr, 1.6);
    for (double s : {-1.0, 1.0}) {
        cairo_move_to(cr, cx - 4, cy - 4 * s);
        cairo_line_to(cr, cx + 4, cy + 4 * s);
    }
    cairo_stroke(cr);
}

}  // namespace

id makePlatter(const PlatterContent& content) {
    const LockScreenFigures& f = figures();
    id platter = ui::makeView(rt::objc_getClass("NCNotificationShortLookView"), CGRectZero);
    rt::cast<NotificationPlatter>(platter)->content = content;
    id header = ui::makeView(rt::objc_getClass(eleven() ? "MTPlatterHeaderContentView" : "NCLookHeaderContentView"),
                             CGRectZero);
    ui::setTag(header, kHeader);
    id icon = ui::makeImageView();
    ui::setTag(icon, kIcon);
    ui::setImage(icon, ui::imageWithCGImage(appIconImage(content.icon, f.iconSize, ui::deviceProfile().scale)));
    id grey = ui::colorWithWhite_alpha(0, 0.55);
    id app = label(kApp, kTextFont, f.appNameSize, grey);
    ui::setText(app, NSStr(capitals(content.app)));
    id date = label(kDate, kTextFont, f.appNameSize, grey);
    ui::setTextAlignment(date, NSTextAlignmentRight);
    ui::addSubview(header, icon);
    ui::addSubview(header, app);
    ui::addSubview(header, date);
    ui::addSubview(platter, header);
    ui::addSubview(platter, label(kTitle, kTitleFont, f.titleSize, ui::blackColor()));
    id body = label(kBody, kTextFont, f.bodySize, ui::blackColor());
    ui::setNumberOfLines(body, f.bodyLines);
    ui::setLineBreakMode(body, NSLineBreakByTruncatingTail);
    ui::addSubview(platter, body);
    refreshPlatter(platter);
    return platter;
}

void refreshPlatter(const id& platter) {
    auto p = rt::cast<NotificationPlatter>(platter);
    if (!p) return;
    ui::setText(tagged(platter, kDate), NSStr(ns::relativeDateText(p->content.postedAt, ns::now())));
    const bool hidden = previewHidden();
    ui::setText(tagged(platter, kTitle), NSStr(hidden ? "" : p->content.title));
    ui::setHidden(tagged(platter, kTitle), hidden);
    ui::setText(tagged(platter, kBody), NSStr(hidden ? kHiddenPreview : p->content.body));
}

double layOutPlatter(const id& platter, double width) {
    const LockScreenFigures& f = figures();
    const double header = f.headerHeight, inset = f.contentInset;
    ui::setFrame(tagged(platter, kHeader), CGRectMake(0, 0, width, header));
    ui::setFrame(tagged(platter, kIcon), CGRectMake(f.iconInset, (header - f.iconSize) / 2, f.iconSize, f.iconSize));
    const double small = lineHeight(kTextFont, f.appNameSize), dateWidth = 110;
    const double appX = f.iconInset + f.iconSize + f.iconInset;
    ui::setFrame(tagged(platter, kApp),
                 CGRectMake(appX, (header - small) / 2, width - appX - f.dateInset - dateWidth, small));
    ui::setFrame(tagged(platter, kDate), CGRectMake(width - f.dateInset - dateWidth, (header - small) / 2, dateWidth, small));

    const double textWidth = width - 2 * inset;
    double y = header;
    id title = tagged(platter, kTitle);
    const double titleHeight = ui::isHidden(title) ? 0 : lineHeight(kTitleFont, f.titleSize);
    ui::setFrame(title, CGRectMake(inset, y, textWidth, titleHeight));
    y += titleHeight;
    id body = tagged(platter, kBody);
    const std::string text = str(ui::text(body));
    const int lines = std::min(f.bodyLines, render::wrappedLines(text, kTextFont, f.bodySize, textWidth));
    const double bodyHeight = lines * lineHeight(kTextFont, f.bodySize);
    ui::setFrame(body, CGRectMake(inset, y, textWidth, bodyHeight));
    return y + bodyHeight + kBottomPadding;
}

id makeSectionHeader(const std::string& title) {
    id heading = ui::makeView(rt::objc_getClass("NCNotificationListSectionHeaderView"), CGRectZero);
    id text = label(kHeading, ".SFUIDisplay-Semibold", 20, legibilityPrimaryColor());
    ui::setText(text, NSStr(title));
    ui::addSubview(heading, text);
    return heading;
}

void registerPlatterPainters() {
    for (const char* cls : {"NCShortLookView", "MTPlatterView", "NCNotificationShortLookView"})
        render::registerViewPainter(cls, paintPlatter);
    render::registerViewPainter("NCNotificationListSectionHeaderView", paintHeading);
}

std::vector<HostClass> platterClasses() {
    return {
        {"NCShortLookView", "UIView", {}, {}, kBefore11},
        {"NCLookHeaderContentView", "UIView", {}, {}, kBefore11},
        {"MTPlatterView", "UIView", {}, {}, kFrom11},
        {"MTTitledPlatterView", "MTPlatterView", {}, {}, kFrom11},
        {"MTPlatterHeaderContentView", "UIView", {}, {}, kFrom11},
        {"NCNotificationShortLookView", "NCShortLookView", rt::factoryFor<NotificationPlatter>(), {}, kBefore11},
        {"NCNotificationShortLookView", "MTTitledPlatterView", rt::factoryFor<NotificationPlatter>(), {}, kFrom11},
        {"NCNotificationListSectionHeaderView", "UIView", {}, {}, kFrom11},
    };
}

}  // namespace springboard
