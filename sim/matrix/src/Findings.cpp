#include "matrix/Findings.h"

#include <algorithm>
#include <cmath>

namespace matrix {

using json = nlohmann::ordered_json;

Box intersection(const Box& a, const Box& b) {
    double x = std::max(a.x, b.x), y = std::max(a.y, b.y);
    double r = std::min(a.right(), b.right()), d = std::min(a.bottom(), b.bottom());
    if (r <= x || d <= y) return {};
    return {x, y, r - x, d - y};
}

Box unionOf(const Box& a, const Box& b) {
    if (a.w <= 0 || a.h <= 0) return b;
    if (b.w <= 0 || b.h <= 0) return a;
    double x = std::min(a.x, b.x), y = std::min(a.y, b.y);
    return {x, y, std::max(a.right(), b.right()) - x, std::max(a.bottom(), b.bottom()) - y};
}

bool contains(const Box& outer, const Box& inner, double slack) {
    return inner.x >= outer.x - slack && inner.y >= outer.y - slack && inner.right() <= outer.right() + slack &&
           inner.bottom() <= outer.bottom() + slack;
}

std::string describe(const ViewName& view) {
    return view.library.empty() ? view.className : view.className + " (" + view.library + ")";
}

namespace {

// Rectangles are written to a hundredth of a point, so reports compare as text.
double rounded(double v) { return std::round(v * 100) / 100; }

}  // namespace

json findingJson(const Finding& f) {
    json views = json::array();
    for (const ViewName& v : f.views) views.push_back({{"class", v.className}, {"library", v.library}});
    return {{"kind", f.kind},
            {"message", f.message},
            {"views", std::move(views)},
            {"rect", json::array({rounded(f.rect.x), rounded(f.rect.y), rounded(f.rect.w), rounded(f.rect.h)})}};
}

bool findingFromJson(const json& value, Finding& f) {
    if (!value.is_object()) return false;
    auto kind = value.find("kind"), message = value.find("message"), views = value.find("views"), rect = value.find("rect");
    if (kind == value.end() || !kind->is_string() || message == value.end() || !message->is_string() ||
        views == value.end() || !views->is_array() || rect == value.end() || !rect->is_array() || rect->size() != 4)
        return false;
    for (const json& n : *rect)
        if (!n.is_number() || !std::isfinite(n.get<double>())) return false;
    f.kind = kind->get<std::string>();
    if (f.kind != kOverlap && f.kind != kClippedText && f.kind != kOffScreen && f.kind != kLowContrast && f.kind != kEmptyLabel)
        return false;
    f.message = message->get<std::string>();
    f.rect = {(*rect)[0].get<double>(), (*rect)[1].get<double>(), (*rect)[2].get<double>(), (*rect)[3].get<double>()};
    f.views.clear();
    for (const json& v : *views) {
        if (!v.is_object()) return false;
        auto c = v.find("class"), l = v.find("library");
        if (c == v.end() || !c->is_string() || l == v.end() || !l->is_string()) return false;
        f.views.push_back({c->get<std::string>(), l->get<std::string>()});
    }
    return true;
}

}  // namespace matrix
