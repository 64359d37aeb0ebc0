// A view tree as JSON, in the dump's stable format:
//   { "class", "library", "frame": [x, y, w, h], "alpha", "hidden", "backgroundColor": [r, g, b, a] | null,
//     labels: "text", "textColor", "font": { "name", "size" }, "textAlignment", "numberOfLines",
//             "attributedText": [ { "text", "color" } ] | null,
//             "textFit": { "lines", "shownLines", "truncated", "width", "height", "ink": [x, y, w, h] }
//             (when measured),
//     image views: "image": true when it shows one,
//     "subviews": [ ... ] }
// Frames are in the superview's coordinates; alpha is the model value. The
// library is the file name of the library or program that registered the class.
#pragma once

#include <functional>

#include <nlohmann/json.hpp>

#include "foundation/Objects.h"
#include "graphics/Geometry.h"

namespace dump {

nlohmann::ordered_json rectJson(CGRect r);
// [r, g, b, a] of a UIColor; null for nothing.
nlohmann::ordered_json colorJson(const id& color);
// How a label's text lies in its frame, as the screen draws it.
struct TextFit {
    int lines = 0;            // lines the text takes at the label's width
    int shownLines = 0;       // of them, the lines drawn
    bool truncated = false;   // the last drawn line ends in an ellipsis
    double width = 0, height = 0;  // the drawn text's extent, in points
    double inkX = 0, inkY = 0, inkWidth = 0, inkHeight = 0;  // its glyphs' ink, in the label
};
using TextMeasure = std::function<TextFit(const id& label)>;

// The library that registered the view's class, by its file name ("" for none).
std::string libraryOf(const id& view);

// One view and everything under it; labels carry their "textFit" when a
// measure is given.
nlohmann::ordered_json viewJson(const id& view, const TextMeasure& measure = {});

}  // namespace dump
