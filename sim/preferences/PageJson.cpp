#include "PageJson.h"

#include "ImageData.h"
#include "foundation/Conversions.h"
#include "preferences/Preferences.h"
#include "uikit/UIKit.h"

namespace prefs {

using nlohmann::json;

namespace {

json textOrNull(const id& v) { return isString(v) && !str(v).empty() ? json(str(v)) : json(nullptr); }

bool sameValue(const id& a, const id& b) {
    if (isNumber(a) && isNumber(b)) return ns::doubleValue(a) == ns::doubleValue(b);
    if (isString(a) && isString(b)) return str(a) == str(b);
    return false;
}

// The texts of a custom cell's labels, front to back in the order added.
std::vector<std::string> labelTexts(const id& cell) {
    std::vector<std::string> out;
    if (!cell) return out;
    for (const id& v : ui::subviews(ps::contentView(cell)))
        if (rt::isKindOfClass(v, "UILabel")) out.push_back(str(ui::text(v)));
    return out;
}

// A page opens with a header when its first group has no label and holds one
// custom-drawn static row: the header cell.
bool isHeaderGroup(const std::vector<id>& specs, std::size_t group) {
    if (group != 0 || ps::cellType(specs[0]) != PSGroupCell || !str(ps::name(specs[0])).empty()) return false;
    if (specs.size() < 2 || ps::cellType(specs[1]) != PSStaticTextCell || !ps::property(specs[1], "cellClass"))
        return false;
    return specs.size() == 2 || ps::cellType(specs[2]) == PSGroupCell;
}

// A row a person can act on says whether it takes input; rows are enabled
// unless their entry says otherwise.
void addEnabled(json& cell, const id& spec) {
    id enabled = ps::property(spec, "enabled");
    cell["enabled"] = enabled ? ns::boolValue(enabled) : true;
}

json cellJson(const id& controller, const id& spec) {
    auto s = rt::cast<PSSpecifier>(spec);
    json cell{{"label", s->name}};
    std::string key = ps::key(spec);
    id value = key.empty() ? id{} : ps::valueForSpecifier(controller, spec);
    switch (s->cellType) {
        case PSSwitchCell:
            // What the switch shows: a negated row stores the opposite.
            cell["type"] = "switch";
            cell["key"] = key;
            cell["value"] = ns::boolValue(value) != ns::boolValue(ps::property(spec, "negate"));
            addEnabled(cell, spec);
            break;
        case PSLinkListCell:
        case PSSegmentCell: {
            cell["type"] = "choice";
            cell["key"] = key;
            cell["value"] = valueJson(value);
            json options = json::array();
            for (std::size_t i = 0; i < s->values.size(); ++i) {
                if (sameValue(s->values[i], value)) cell["value"] = valueJson(s->values[i]);
                options.push_back({{"title", i < s->titles.size() ? str(s->titles[i]) : describe(s->values[i])},
                                   {"value", valueJson(s->values[i])}});
            }
            cell["options"] = std::move(options);
            addEnabled(cell, spec);
            break;
        }
        case PSEditTextCell:
        case PSSecureEditTextCell:
        case PSEditTextViewCell: {
            cell["type"] = "text";
            cell["key"] = key;
            json v = valueJson(value);
            cell["value"] = v.is_string() ? v : v.is_null() ? json("") : json(v.dump());
            if (id placeholder = ps::property(spec, "placeholder"); isString(placeholder))
                cell["placeholder"] = str(placeholder);
            addEnabled(cell, spec);
            break;
        }
        case PSSliderCell:
            cell["type"] = "slider";
            cell["key"] = key;
            cell["value"] = valueJson(value);
            cell["min"] = valueJson(ps::property(spec, "min"));
            cell["max"] = valueJson(ps::property(spec, "max"));
            addEnabled(cell, spec);
            break;
        case PSButtonCell:
            cell["type"] = "button";
            cell["action"] = s->buttonAction ? s->buttonAction->name : std::string();
            addEnabled(cell, spec);
            break;
        case PSLinkCell:
            cell["type"] = "link";
            cell["page"] = textOrNull(ps::property(spec, "detail"));
            addEnabled(cell, spec);
            break;
        default: {
            cell["type"] = "static";
            if (ps::property(spec, "cellClass")) {
                std::string shown;
                for (const std::string& t : labelTexts(ps::cellForSpecifier(controller, spec)))
                    shown += (shown.empty() ? "" : " / ") + t;
                if (!shown.empty()) cell["value"] = shown;
            } else if (value) {
                cell["value"] = valueJson(value);
            }
            if (!key.empty()) cell["key"] = key;
        }
    }
    return cell;
}

}  // namespace

std::string pageName(const Page& page) { return page.controller->isa->name(); }

std::string paneLinkName(const Pane& pane) {
    if (pane.controller) return pane.controller->isa->name();
    return pane.bundleName.empty() ? pane.label : pane.bundleName;
}

json paneListJson(const std::vector<Pane>& panes) {
    json cells = json::array();
    for (const Pane& pane : panes)
        cells.push_back({{"type", "link"}, {"label", pane.label}, {"page", paneLinkName(pane)}, {"enabled", true}});
    json footer = cells.empty() ? json(std::string("No pane is installed: ") + kEntriesFolder + " lists none") : json(nullptr);
    json groups = json::array({{{"header", nullptr}, {"footer", std::move(footer)}, {"cells", std::move(cells)}}});
    return {{"page", ""}, {"title", "Settings"}, {"header", nullptr}, {"groups", std::move(groups)}};
}

json paneErrorJson(const Pane& pane) {
    json group{{"header", nullptr}, {"footer", pane.error}, {"cells", json::array()}};
    return {{"page", paneLinkName(pane)}, {"title", pane.label}, {"header", nullptr}, {"groups", json::array({group})}};
}

json valueJson(const id& value) {
    if (!value) return nullptr;
    if (isString(value)) return str(value);
    if (auto n = rt::cast<NSNumber>(value)) return std::visit([](auto v) { return json(v); }, n->value);
    return describe(value);
}

json pageJson(const Page& page) {
    std::vector<id> specs = ps::specifierList(page.controller);
    json out{{"page", pageName(page)}, {"title", page.title}, {"header", nullptr}};
    json groups = json::array();
    std::size_t i = 0;
    if (!specs.empty() && isHeaderGroup(specs, 0)) {
        std::vector<std::string> texts = labelTexts(ps::cellForSpecifier(page.controller, specs[1]));
        if (!texts.empty())
            out["header"] = {{"title", texts[0]}, {"subtitle", texts.size() > 1 ? json(texts[1]) : json(nullptr)}};
        i = 2;
    }
    for (; i < specs.size(); ++i) {
        if (ps::cellType(specs[i]) == PSGroupCell) {
            groups.push_back({{"header", textOrNull(ps::name(specs[i]))},
                              {"footer", textOrNull(ps::property(specs[i], "footerText"))},
                              {"cells", json::array()}});
            continue;
        }
        // Rows before any group cell sit in a group of their own, as the table shows them.
        if (groups.empty()) groups.push_back({{"header", nullptr}, {"footer", nullptr}, {"cells", json::array()}});
        groups.back()["cells"].push_back(cellJson(page.controller, specs[i]));
    }
    out["groups"] = std::move(groups);
    return out;
}

namespace {

id firstImage(const id& view) {
    if (!view) return {};
    if (rt::isKindOfClass(view, "UIImageView"))
        if (id image = ui::image(view)) return image;
    for (const id& sub : ui::subviews(view))
        if (id image = firstImage(sub)) return image;
    return {};
}

}  // namespace

json alertJson(const id& alert) {
    auto a = rt::cast<UIAlertView>(alert);
    json out{{"title", a->title}, {"message", a->message}, {"buttons", a->buttons}};
    if (id image = firstImage(a->accessoryView))
        if (std::string url = pngDataURL(ui::CGImage(image)); !url.empty()) out["image"] = url;
    return out;
}

}  // namespace prefs
