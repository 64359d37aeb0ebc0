#include <algorithm>

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

void paintAlert(Pass& pass, const id& alert, double width, double height) {
    cairo_t* cr = pass.cr();
    const std::string title = str(rt::send<id()>(alert, "title"));
    const std::string message = str(rt::send<id()>(alert, "message"));
    const long count = rt::send<long()>(alert, "numberOfButtons");
    const long cancel = rt::send<long()>(alert, "cancelButtonIndex");
    std::vector<std::string> buttons;
    for (long i = 0; i < count; ++i) buttons.push_back(str(rt::send<id(long)>(alert, "buttonTitleAtIndex:", i)));
    const id accessory = rt::send<id()>(alert, "accessoryView");

    const TextStyle titleStyle{".SFUIText-Semibold", 17, {0, 0, 0, 1}, 1};
    const TextStyle messageStyle{".SFUIText", 13, {0, 0, 0, 1}, 1};
    const double textWidth = kCardWidth - 2 * kPadding;
    const double titleHeight = measureText(pass, title, titleStyle, textWidth);
    const double messageHeight = measureText(pass, message, messageStyle, textWidth);
    const CGRect accessoryFrame = accessory ? ui::frame(accessory) : CGRectZero;
    const double accessoryHeight = accessory && !ui::isHidden(accessory) ? accessoryFrame.size.height : 0;
    const bool sideBySide = buttons.size() == 2;
    const double buttonsHeight = buttons.empty() ? 0 : kButtonHeight * (sideBySide ? 1 : double(buttons.size()));

    double contentHeight = kPadding + 4;
    if (titleHeight > 0) contentHeight += titleHeight;
    if (messageHeight > 0) contentHeight += (titleHeight > 0 ? 4 : 0) + messageHeight;
    if (accessoryHeight > 0) contentHeight += 12 + accessoryHeight;
    contentHeight += kPadding + 4;
    const double cardHeight = contentHeight + buttonsHeight;
    const double cx = std::round((width - kCardWidth) / 2);
    const double cy = std::round((height - cardHeight) / 2);

    // The card: translucent, rounded, over the dimmed screen.
    cairo_save(cr);
    roundedRect(cr, CGRect{{cx, cy}, {kCardWidth, cardHeight}}, 13);
    cairo_set_source_rgba(cr, 0.97, 0.97, 0.97, 0.94);
    cairo_fill_preserve(cr);
    cairo_clip(cr);

    double y = cy + kPadding + 4;
    if (titleHeight > 0) {
        paintText(pass, title, titleStyle, CGRect{{cx + kPadding, y}, {textWidth, titleHeight}});
        y += titleHeight;
    }
    if (messageHeight > 0) {
        if (titleHeight > 0) y += 4;
        paintText(pass, message, messageStyle, CGRect{{cx + kPadding, y}, {textWidth, messageHeight}});
        y += messageHeight;
    }
    if (accessoryHeight > 0) {
        y += 12;
        const double ax = cx + std::max(0.0, (kCardWidth - accessoryFrame.size.width) / 2);
        cairo_save(cr);
        cairo_translate(cr, ax - accessoryFrame.origin.x, y - accessoryFrame.origin.y);
        paintView(pass, accessory);
        cairo_restore(cr);
    }

    double by = cy + contentHeight;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const bool isCancel = static_cast<long>(i) == cancel;
        TextStyle style{isCancel ? ".SFUIText-Semibold" : ".SFUIText", 17, kTint, 1};
        double bx = cx, bw = kCardWidth;
        if (sideBySide) {
            bw = kCardWidth / 2;
            bx = cx + bw * static_cast<double>(i);
        }
        if (i == 0 || !sideBySide) hairline(cr, cx, by, cx + kCardWidth, by);
        if (sideBySide && i == 1) hairline(cr, bx, by, bx, by + kButtonHeight);
        double th = measureText(pass, buttons[i], style, bw - 8);
        paintText(pass, buttons[i], style, CGRect{{bx + 4, by + (kButtonHeight - th) / 2}, {bw - 8, th}});
        if (!sideBySide) by += kButtonHeight;
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
