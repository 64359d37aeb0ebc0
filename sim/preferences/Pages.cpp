#include "Pages.h"

#include <strings.h>

#include <deque>
#include <set>

#include "foundation/Conversions.h"
#include "preferences/Preferences.h"
#include "uikit/UIKit.h"

namespace prefs {

namespace {

bool sameValue(const id& a, const id& b) {
    if (isNumber(a) && isNumber(b)) return ns::doubleValue(a) == ns::doubleValue(b);
    if (isString(a) && isString(b)) return str(a) == str(b);
    return false;
}

std::string valueText(const id& v) {
    if (!v) return {};
    if (isString(v)) return str(v);
    if (auto n = rt::cast<NSNumber>(v)) {
        if (std::holds_alternative<bool>(n->value)) return std::get<bool>(n->value) ? "true" : "false";
        if (std::holds_alternative<std::int64_t>(n->value)) return std::to_string(std::get<std::int64_t>(n->value));
        return format("%g", std::get<double>(n->value));
    }
    return describe(v);
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

// The texts a custom cell draws, as its labels hold them.
std::string cellTexts(const id& cell) {
    std::string out;
    for (const id& v : ui::subviews(ps::contentView(cell)))
        if (rt::isKindOfClass(v, "UILabel")) {
            if (!out.empty()) out += " / ";
            out += str(ui::text(v));
        }
    return out;
}

std::string escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

bool parseSwitch(const std::string& text, bool& on) {
    for (const char* yes : {"true", "yes", "on", "1"})
        if (equalsIgnoringCase(text, yes)) return on = true;
    for (const char* no : {"false", "no", "off", "0"})
        if (equalsIgnoringCase(text, no)) return !(on = false);
    return false;
}

}  // namespace

std::vector<Row> rowsOf(const id& controller) {
    std::vector<Row> rows;
    std::string group;
    for (const id& spec : ps::specifierList(controller)) {
        auto s = rt::cast<PSSpecifier>(spec);
        Row row{group, s->name, "static", {}, spec};
        id value = ps::key(spec).empty() ? id{} : ps::valueForSpecifier(controller, spec);
        switch (s->cellType) {
            case PSGroupCell:
                group = s->name;
                row = Row{group, {}, "group", str(ps::property(spec, "footerText")), spec};
                break;
            case PSSwitchCell: {
                bool on = ns::boolValue(value) != ns::boolValue(ps::property(spec, "negate"));
                row.kind = "switch";
                row.value = on ? "on" : "off";
                break;
            }
            case PSLinkListCell:
            case PSSegmentCell: {
                row.kind = "list";
                row.value = valueText(value);
                for (std::size_t i = 0; i < s->values.size(); ++i)
                    if (sameValue(s->values[i], value)) {
                        if (i < s->titles.size()) row.value = str(s->titles[i]) + " (" + valueText(value) + ")";
                        break;
                    }
                break;
            }
            case PSEditTextCell:
            case PSSecureEditTextCell:
            case PSEditTextViewCell:
                row.kind = "text";
                row.value = valueText(value);
                break;
            case PSSliderCell:
                row.kind = "slider";
                row.value = valueText(value);
                break;
            case PSButtonCell:
                row.kind = "button";
                row.value = s->buttonAction ? s->buttonAction->name : std::string();
                break;
            case PSLinkCell:
                row.kind = "link";
                row.value = str(ps::property(spec, "detail"));
                break;
            default:
                if (ps::property(spec, "cellClass")) row.value = cellTexts(ps::cellForSpecifier(controller, spec));
                else row.value = valueText(value);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string rowLine(const Row& row) {
    return escaped(row.group) + "\t" + escaped(row.label) + "\t" + row.kind + "\t" + escaped(row.value);
}

std::vector<Page> allPages(const std::vector<Pane>& panes) {
    std::vector<Page> pages;
    std::deque<Page> pending;
    std::set<std::string> seen;
    for (const Pane& pane : panes)
        if (pane.controller) pending.push_back({pane.label, pane.controller});
    while (!pending.empty()) {
        Page page = pending.front();
        pending.pop_front();
        if (!seen.insert(page.controller->isa->name()).second) continue;
        pages.push_back(page);
        for (const id& spec : ps::specifierList(page.controller))
            if (ps::cellType(spec) == PSLinkCell)
                if (id next = ps::openLink(page.controller, spec)) pending.push_back({str(ps::name(spec)), next});
    }
    return pages;
}

const Page* findPage(const std::vector<Page>& pages, const std::string& name) {
    for (const Page& p : pages)
        if (equalsIgnoringCase(p.title, name) || equalsIgnoringCase(p.controller->isa->name(), name)) return &p;
    for (const Page& p : pages) {
        std::string folder = str(ps::bundlePath(p.controller));
        std::string bundle = folder.substr(folder.find_last_of('/') + 1);
        if (equalsIgnoringCase(bundle, name) || equalsIgnoringCase(bundle, name + ".bundle")) return &p;
    }
    return nullptr;
}

Found findKey(const std::vector<Page>& pages, const std::string& key) {
    for (const Page& p : pages)
        for (const id& spec : ps::specifierList(p.controller))
            if (ps::key(spec) == key && ps::cellType(spec) != PSGroupCell) return {&p, spec};
    return {};
}

Found findButton(const std::vector<Page>& pages, const std::string& action) {
    for (const Page& p : pages)
        for (const id& spec : ps::specifierList(p.controller)) {
            auto s = rt::cast<PSSpecifier>(spec);
            if (s->cellType == PSButtonCell && s->buttonAction &&
                (s->buttonAction->name == action || s->name == action))
                return {&p, spec};
        }
    return {};
}

ns::Result<> setRow(const Page& page, const id& spec, const std::string& value) {
    auto s = rt::cast<PSSpecifier>(spec);
    switch (s->cellType) {
        case PSSwitchCell: {
            bool on = false;
            if (!parseSwitch(value, on))
                return ns::fail("the switch \"" + s->name + "\" takes on or off, not \"" + value + "\"");
            return ps::setSwitch(page.controller, spec, on);
        }
        case PSLinkListCell:
        case PSSegmentCell: {
            for (std::size_t i = 0; i < s->titles.size() && i < s->values.size(); ++i)
                if (equalsIgnoringCase(str(s->titles[i]), value)) return ps::chooseListItem(page.controller, spec, i);
            for (std::size_t i = 0; i < s->values.size(); ++i)
                if (valueText(s->values[i]) == value) return ps::chooseListItem(page.controller, spec, i);
            std::string choices;
            for (std::size_t i = 0; i < s->values.size(); ++i)
                choices += (i ? ", " : "") + (i < s->titles.size() ? str(s->titles[i]) + " (" : std::string("(")) +
                           valueText(s->values[i]) + ")";
            return ns::fail("the list \"" + s->name + "\" has no choice \"" + value + "\"; it offers " + choices);
        }
        case PSEditTextCell:
        case PSSecureEditTextCell:
        case PSEditTextViewCell:
            return ps::commitText(page.controller, spec, value);
        case PSSliderCell: {
            std::size_t end = 0;
            double number = 0;
            try {
                number = std::stod(value, &end);
            } catch (const std::exception&) {
                end = 0;
            }
            if (end == 0 || end != value.size())
                return ns::fail("the slider \"" + s->name + "\" takes a number, not \"" + value + "\"");
            return ps::setSlider(page.controller, spec, number);
        }
        default:
            return ns::fail("the row \"" + s->name + "\" cannot be changed");
    }
}

}  // namespace prefs
