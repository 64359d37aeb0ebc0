#include "matrix/Combinations.h"

#include <algorithm>
#include <cmath>
#include <cctype>
#include <cstdio>

#include "foundation/TimeZones.h"
#include "wire/DeviceModels.h"

namespace matrix {

namespace {

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

ns::Result<std::vector<const sim::Screen*>> screensOf(const std::vector<std::string>& wanted) {
    std::vector<const sim::Screen*> out;
    if (wanted.empty()) {
        for (const sim::Screen& s : sim::screens())
            if (std::string(s.model) == "iPhone") out.push_back(&s);
        return out;
    }
    std::string known;
    for (const sim::Screen& s : sim::screens()) known += (known.empty() ? "" : ", ") + number(s.width) + "x" + number(s.height);
    for (const std::string& text : wanted) {
        double w = 0, h = 0;
        char x = 0;
        int consumed = 0;
        const sim::Screen* found = nullptr;
        if (std::sscanf(text.c_str(), "%lf%c%lf%n", &w, &x, &h, &consumed) == 3 && x == 'x' &&
            consumed == static_cast<int>(text.size()))
            for (const sim::Screen& s : sim::screens())
                if (s.width == w && s.height == h) found = &s;
        if (!found) return ns::fail("the screen \"" + text + "\" is not one of the device table's: " + known);
        if (std::find(out.begin(), out.end(), found) == out.end()) out.push_back(found);
    }
    // The table's order, whatever order they were named in.
    std::sort(out.begin(), out.end());
    return out;
}

ns::Result<std::vector<std::string>> versionsOf(const std::vector<std::string>& wanted) {
    if (wanted.empty()) return std::vector<std::string>{kDefault10, kDefault11};
    std::vector<std::string> out;
    for (std::string v : wanted) {
        if (v == "10") v = kDefault10;
        if (v == "11") v = kDefault11;
        if (!sim::isSupportedVersion(v))
            return ns::fail("the system version \"" + v + "\" is not one from 10.0 to 10.3.4 or 11.0 to 11.4.1 (or 10, 11)");
        if (std::find(out.begin(), out.end(), v) == out.end()) out.push_back(v);
    }
    return out;
}

}  // namespace

std::string Combination::screen() const { return number(width) + "x" + number(height); }

std::string Combination::name() const { return version + "-" + screen() + "-" + style + "-" + locale; }

int Combination::clockStyle() const { return style == "row" ? 2 : 1; }

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> items;
    std::size_t at = 0;
    while (true) {
        std::size_t comma = text.find(',', at);
        items.push_back(text.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return items;
}

ns::Result<std::vector<Combination>> combinations(const MatrixChoice& choice) {
    auto screens = screensOf(choice.screens);
    if (!screens) return ns::fail(screens.reason());
    auto versions = versionsOf(choice.versions);
    if (!versions) return ns::fail(versions.reason());
    std::vector<std::string> styles = choice.styles.empty() ? std::vector<std::string>{"stacked", "row"} : choice.styles;
    for (const std::string& s : styles)
        if (s != "stacked" && s != "row") return ns::fail("the style \"" + s + "\" is not stacked or row");
    std::vector<std::string> locales =
        choice.locales.empty() ? std::vector<std::string>{"en_US", "de_DE", "ja_JP"} : choice.locales;
    for (const std::string& l : locales) {
        // A locale names a file in the shots' names: letters, digits, _ and - only.
        bool plain = !l.empty() && l.size() <= 32 &&
                     std::all_of(l.begin(), l.end(), [](unsigned char c) { return std::isalnum(c) || c == '_' || c == '-'; });
        if (!plain || !ns::isKnownLocale(l))
            return ns::fail("the locale \"" + l + "\" is not one the date library knows (like en_US, ja_JP)");
    }

    std::vector<Combination> out;
    for (const std::string& version : *versions)
        for (const sim::Screen* s : *screens) {
            double scale = sim::scaleOf(s->model, version, s->width, s->height);
            if (scale == 0) continue;  // the screen came with a later system
            for (const std::string& style : styles)
                for (const std::string& locale : locales)
                    out.push_back({s->model, version, s->width, s->height, scale, style, locale});
        }
    if (out.empty()) return ns::fail("no screen asked for ran any system version asked for");
    std::vector<std::string> names;
    for (const Combination& c : out) names.push_back(c.name());
    std::sort(names.begin(), names.end());
    if (std::adjacent_find(names.begin(), names.end()) != names.end())
        return ns::fail("a style or locale is named twice");
    return out;
}

}  // namespace matrix
