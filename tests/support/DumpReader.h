// Reading dumps in tests: a device's dump as JSON, and views found in it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

using Json = nlohmann::json;

struct Rect {
    double x = 0, y = 0, w = 0, h = 0;
    double maxY() const { return y + h; }
};
Rect rectOf(const Json& frame);

// `orvelle-sim dump DEVICE ARGS...`; fails the test (and answers null) when
// the tool fails or prints something that is not JSON.
Json dumpOf(const std::string& device, const std::vector<std::string>& args = {});

// Every view (depth first, back to front) for which `match` holds, with the
// frame of each in window coordinates.
struct Found {
    const Json* view;
    Rect inWindow;
};
std::vector<Found> findViews(const Json& dump, const std::function<bool(const Json&)>& match);
std::vector<Found> viewsOfClass(const Json& dump, const std::string& className);
// The same among the views a person sees: neither they nor any view they are
// in is hidden or fully transparent.
std::vector<Found> shownViews(const Json& dump, const std::function<bool(const Json&)>& match);
// Labels whose text is exactly `text`.
std::vector<Found> labelsWithText(const Json& dump, const std::string& text);

// The labels in the panel's two blocks (the OVClockDragView containers).
std::vector<const Json*> panelLabels(const Json& dump);

// Whether the dump lists a hook on that class and selector.
bool hasHook(const Json& dump, const std::string& className, const std::string& selector);

// The log lines of a one-shot run (written with --log), or of a booted device
// (its log file, without the "Program[pid]: " part), that begin with `prefix`.
std::vector<std::string> linesWith(const std::string& logText, const std::string& prefix);
