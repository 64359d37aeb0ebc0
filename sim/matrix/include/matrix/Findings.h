// What the layout check finds in one shot: the kind, a sentence, the views
// it is about (class and the library that made it) and the rectangle, in
// screen points, that the contact sheet outlines.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace matrix {

struct Box {
    double x = 0, y = 0, w = 0, h = 0;
    double right() const { return x + w; }
    double bottom() const { return y + h; }
};

// The part two boxes share (empty when they do not meet).
Box intersection(const Box& a, const Box& b);
Box unionOf(const Box& a, const Box& b);
bool contains(const Box& outer, const Box& inner, double slack);

struct ViewName {
    std::string className;
    std::string library;
    bool operator==(const ViewName&) const = default;
};

// The kinds, as they are written in a report.
inline constexpr const char* kOverlap = "overlap";
inline constexpr const char* kClippedText = "clipped-text";
inline constexpr const char* kOffScreen = "off-screen";
inline constexpr const char* kLowContrast = "low-contrast";
inline constexpr const char* kEmptyLabel = "empty-label";

struct Finding {
    std::string kind;
    std::string message;  // one sentence naming the views and what is wrong
    std::vector<ViewName> views;
    Box rect;
};

nlohmann::ordered_json findingJson(const Finding& finding);
// A finding from a report; false when the value is not one.
bool findingFromJson(const nlohmann::ordered_json& value, Finding& finding);

std::string describe(const ViewName& view);  // "OVClockDragView (OrvelleiOS10.dylib)"

}  // namespace matrix
