// A view tree as JSON, in the dump's stable format:
//   { "class", "frame": [x, y, w, h], "alpha", "hidden", "backgroundColor": [r, g, b, a] | null,
//     labels: "text", "textColor", "font": { "name", "size" }, "textAlignment", "numberOfLines",
//             "attributedText": [ { "text", "color" } ] | null,
//     image views: "image": true when it shows one,
//     "subviews": [ ... ] }
// Frames are in the superview's coordinates; alpha is the model value.
#pragma once

#include <nlohmann/json.hpp>

#include "foundation/Objects.h"
#include "graphics/Geometry.h"

namespace dump {

nlohmann::ordered_json rectJson(CGRect r);
// [r, g, b, a] of a UIColor; null for nothing.
nlohmann::ordered_json colorJson(const id& color);
// One view and everything under it.
nlohmann::ordered_json viewJson(const id& view);

}  // namespace dump
