#include "DumpReader.h"

#include <gtest/gtest.h>

#include <sstream>

#include "Command.h"

Rect rectOf(const Json& frame) {
    if (!frame.is_array() || frame.size() != 4) return {};
    return {frame[0].get<double>(), frame[1].get<double>(), frame[2].get<double>(), frame[3].get<double>()};
}

Json dumpOf(const std::string& device, const std::vector<std::string>& args) {
    std::vector<std::string> words{"dump", device};
    words.insert(words.end(), args.begin(), args.end());
    Output out = sim(words);
    EXPECT_EQ(out.exitCode, 0) << out.err;
    Json parsed = Json::parse(out.out, nullptr, false);
    EXPECT_FALSE(parsed.is_discarded()) << out.out.substr(0, 300);
    return parsed.is_discarded() ? Json() : parsed;
}

namespace {

void walk(const Json& view, double dx, double dy, const std::function<bool(const Json&)>& match,
          std::vector<Found>& out, bool shownOnly = false) {
    if (!view.is_object()) return;
    if (shownOnly && (view["hidden"] == true || view["alpha"] == 0)) return;
    Rect r = rectOf(view["frame"]);
    r.x += dx;
    r.y += dy;
    if (match(view)) out.push_back({&view, r});
    for (const Json& sub : view["subviews"]) walk(sub, r.x, r.y, match, out, shownOnly);
}

}  // namespace

std::vector<Found> findViews(const Json& dump, const std::function<bool(const Json&)>& match) {
    std::vector<Found> out;
    if (dump.is_object() && dump.contains("views")) {
        // The window is the origin of its own coordinates.
        const Json& window = dump["views"];
        if (match(window)) out.push_back({&window, rectOf(window["frame"])});
        for (const Json& sub : window["subviews"]) walk(sub, 0, 0, match, out);
    }
    return out;
}

std::vector<Found> shownViews(const Json& dump, const std::function<bool(const Json&)>& match) {
    std::vector<Found> out;
    if (dump.is_object() && dump.contains("views")) walk(dump["views"], 0, 0, match, out, true);
    return out;
}

std::vector<Found> viewsOfClass(const Json& dump, const std::string& className) {
    return findViews(dump, [&](const Json& v) { return v["class"] == className; });
}

std::vector<Found> labelsWithText(const Json& dump, const std::string& text) {
    return findViews(dump, [&](const Json& v) { return v.contains("text") && v["text"] == text; });
}

std::vector<const Json*> panelLabels(const Json& dump) {
    std::vector<const Json*> labels;
    for (const Found& block : viewsOfClass(dump, "OVClockDragView"))
        for (const Json& view : (*block.view)["subviews"])
            if (view.contains("text")) labels.push_back(&view);
    return labels;
}

bool hasHook(const Json& dump, const std::string& className, const std::string& selector) {
    for (const Json& hook : dump["hooks"])
        if (hook["class"] == className && hook["selector"] == selector) return true;
    return false;
}

std::vector<std::string> linesWith(const std::string& logText, const std::string& prefix) {
    std::istringstream in(logText);
    std::vector<std::string> found;
    for (std::string line; std::getline(in, line);) {
        auto writer = line.find("]: ");
        std::string text = writer == std::string::npos ? line : line.substr(writer + 3);
        if (text.compare(0, prefix.size(), prefix) == 0) found.push_back(text);
    }
    return found;
}
