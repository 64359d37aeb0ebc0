#include <algorithm>

#include "renderer/Renderer.h"

#include "Internal.h"
#include "uikit/UIAlertView.h"
#include "uikit/UIView.h"

namespace render::detail {

namespace {

constexpr double kCardWidth = 270;
constexpr double kPadding = 16;
constexpr double kButtonHeight = 44;
const Colour kTint{0, 0.478, 1, 1};
const Colour kSeparator{0, 0, 0, 0.18};

void hairline(cairo_t* cr, double x1, double y1, double x2, double y2) {
    cairo_set_source_rgba(cr, kSeparator.r, kSeparator.g, kSeparator.b, kSeparator.a);
    cairo_set_line_width(cr, 0.5);
    cairo_move_to(cr, x1, y1);
    cairo_line_to(cr, x2, y2);
    cairo_stroke(cr);
}

const TextStyle kTitleStyle{".SFUIText-Semibold", 17, {0, 0, 0, 1}, 1};
const TextStyle kMessageStyle{".SFUIText", 13, {0, 0, 0, 1}, 1};

// Where everything of an alert card goes on a screen of the given size.
struct AlertLayout {
    std::string title, message;
    std::vector<std::string> buttons;
    long cancel = -1;
    id accessory;
    CGRect accessoryFrame = CGRectZero;
    double titleHeight = 0, messageHeight = 0, accessoryHeight = 0;
    CGRect card = CGRectZero;
    std::vector<CGRect> buttonAreas;
};

AlertLayout layOut(Pass& pass, const id& alert, double width, double height) {
    AlertLayout l;
    l.title = str(ui::title(alert));
    l.message = str(ui::message(alert));
    const long count = ui::numberOfButtons(alert);
    l.cancel = ui::cancelButtonIndex(alert);
    for (long i = 0; i < count; ++i) l.buttons.push_back(str(ui::buttonTitleAtIndex(alert, i)));
    l.accessory = ui::accessoryView(alert);

    const double textWidth = kCardWidth - 2 * kPadding;
    l.titleHeight = measureText(pass, l.title, kTitleStyle, textWidth);
    l.messageHeight = measureText(pass, l.message, kMessageStyle, textWidth);
    l.accessoryFrame = l.accessory ? ui::frame(l.accessory) : CGRectZero;
    l.accessoryHeight = l.accessory && !ui::isHidden(l.accessory) ? l.accessoryFrame.size.height : 0;
    const bool sideBySide = l.buttons.size() == 2;
    const double buttonsHeight = l.buttons.empty() ? 0 : kButtonHeight * (sideBySide ? 1 : double(l.buttons.size()));

    double contentHeight = kPadding + 4;
    if (l.titleHeight > 0) contentHeight += l.titleHeight;
    if (l.messageHeight > 0) contentHeight += (l.titleHeight > 0 ? 4 : 0) + l.messageHeight;
    if (l.accessoryHeight > 0) contentHeight += 12 + l.accessoryHeight;
    contentHeight += kPadding + 4;
    const double cardHeight = contentHeight + buttonsHeight;
    const double cx = std::round((width - kCardWidth) / 2);
    const double cy = std::round((height - cardHeight) / 2);
    l.card = CGRect{{cx, cy}, {kCardWidth, cardHeight}};

    double by = cy + contentHeight;
    for (std::size_t i = 0; i < l.buttons.size(); ++i) {
        double bx = cx, bw = kCardWidth;
        if (sideBySide) {
            bw = kCardWidth / 2;
            bx = cx + bw * static_cast<double>(i);
        }
        l.buttonAreas.push_back(CGRect{{bx, by}, {bw, kButtonHeight}});
        if (!sideBySide) by += kButtonHeight;
    }
    return l;
}

void paintAlert(Pass& pass, const id& alert, double width, double height) {
    cairo_t* cr = pass.cr();
    const AlertLayout l = layOut(pass, alert, width, height);
    const double cx = l.card.origin.x, cy = l.card.origin.y;
    const double textWidth = kCardWidth - 2 * kPadding;

    // The card: translucent, rounded, over the dimmed screen.
    cairo_save(cr);
    roundedRect(cr, l.card, 13);
    cairo_set_source_rgba(cr, 0.97, 0.97, 0.97, 0.94);
    cairo_fill_preserve(cr);
    cairo_clip(cr);

    double y = cy + kPadding + 4;
    if (l.titleHeight > 0) {
        paintText(pass, l.title, kTitleStyle, CGRect{{cx + kPadding, y}, {textWidth, l.titleHeight}});
        y += l.titleHeight;
    }
    if (l.messageHeight > 0) {
        if (l.titleHeight > 0) y += 4;
        paintText(pass, l.message, kMessageStyle, CGRect{{cx + kPadding, y}, {textWidth, l.messageHeight}});
        y += l.messageHeight;
    }
    if (l.accessoryHeight > 0) {
        y += 12;
        const double ax = cx + std::max(0.0, (kCardWidth - l.accessoryFrame.size.width) / 2);
        cairo_save(cr);
        cairo_translate(cr, ax - l.accessoryFrame.origin.x, y - l.accessoryFrame.origin.y);
        paintView(pass, l.accessory);
        cairo_restore(cr);
    }

    const bool sideBySide = l.buttons.size() == 2;
    for (std::size_t i = 0; i < l.buttons.size(); ++i) {
        const CGRect& area = l.buttonAreas[i];
        const bool isCancel = static_cast<long>(i) == l.cancel;
        TextStyle style{isCancel ? ".SFUIText-Semibold" : ".SFUIText", 17, kTint, 1};
        if (i == 0 || !sideBySide) hairline(cr, cx, area.origin.y, cx + kCardWidth, area.origin.y);
        if (sideBySide && i == 1) hairline(cr, area.origin.x, area.origin.y, area.origin.x, area.origin.y + kButtonHeight);
        const double bw = area.size.width;
        double th = measureText(pass, l.buttons[i], style, bw - 8);
        paintText(pass, l.buttons[i], style, CGRect{{area.origin.x + 4, area.origin.y + (kButtonHeight - th) / 2}, {bw - 8, th}});
    }
    cairo_restore(cr);
}

}  // namespace

void paintAlerts(Pass& pass, double width, double height) {
    std::vector<id> alerts = ui::shownAlerts();
    if (alerts.empty()) return;
    cairo_t* cr = pass.cr();
    cairo_save(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.4);
    cairo_paint(cr);
    cairo_restore(cr);
    // The device shows one alert at a time: the newest one.
    paintAlert(pass, alerts.back(), width, height);
}

}  // namespace render::detail

namespace render {

std::vector<CGRect> alertButtonAreas(const id& alert, double width, double height) {
    // Measuring text needs a context; a one-pixel one will do.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(surface);
    std::vector<CGRect> areas;
    {
        detail::Pass pass(cr, 0);
        areas = detail::layOut(pass, alert, width, height).buttonAreas;
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return areas;
}

}  // namespace render
