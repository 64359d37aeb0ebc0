#include "dump/ViewJson.h"

#include "uikit/UIColor.h"
#include "uikit/UIFont.h"
#include "uikit/UIImageView.h"
#include "uikit/UILabel.h"
#include "uikit/UIView.h"

namespace dump {

using json = nlohmann::ordered_json;

json rectJson(CGRect r) { return json::array({r.origin.x, r.origin.y, r.size.width, r.size.height}); }

json colorJson(const id& color) {
    auto c = rt::cast<UIColor>(color);
    if (!c) return nullptr;
    return json::array({c->red, c->green, c->blue, c->alpha});
}

namespace {

void addLabel(json& out, const id& label, const TextMeasure& measure) {
    out["text"] = str(ui::text(label));
    out["textColor"] = colorJson(ui::textColor(label));
    id font = ui::font(label);
    out["font"] = font ? json{{"name", str(ui::fontName(font))}, {"size", ui::pointSize(font)}} : json(nullptr);
    out["textAlignment"] = ui::textAlignment(label);
    out["numberOfLines"] = ui::numberOfLines(label);
    if (ui::hasAttributedText(label)) {
        json runs = json::array();
        for (const ui::TextRun& run : ui::effectiveRuns(label))
            runs.push_back({{"text", run.text}, {"color", colorJson(run.color)}});
        out["attributedText"] = std::move(runs);
    } else {
        out["attributedText"] = nullptr;
    }
    if (measure) {
        TextFit fit = measure(label);
        out["textFit"] = {{"lines", fit.lines}, {"shownLines", fit.shownLines}, {"truncated", fit.truncated},
                          {"width", fit.width}, {"height", fit.height},
                          {"ink", json::array({fit.inkX, fit.inkY, fit.inkWidth, fit.inkHeight})}};
    }
}

}  // namespace

std::string libraryOf(const id& view) {
    std::string path = view ? rt::class_getImageName(view->isa) : "";
    return path.substr(path.rfind('/') + 1);
}

json viewJson(const id& view, const TextMeasure& measure) {
    if (!view) return nullptr;
    json out;
    out["class"] = view->isa ? view->isa->name() : std::string("?");
    out["library"] = libraryOf(view);
    out["frame"] = rectJson(ui::frame(view));
    out["alpha"] = ui::alpha(view);
    out["hidden"] = ui::isHidden(view);
    out["backgroundColor"] = colorJson(ui::backgroundColor(view));
    if (rt::isKindOfClass(view, "UILabel")) addLabel(out, view, measure);
    if (rt::isKindOfClass(view, "UIImageView")) out["image"] = static_cast<bool>(ui::image(view));
    json subviews = json::array();
    for (const id& sub : ui::subviews(view)) subviews.push_back(viewJson(sub, measure));
    out["subviews"] = std::move(subviews);
    return out;
}

}  // namespace dump
