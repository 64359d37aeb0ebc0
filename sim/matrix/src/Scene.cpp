#include "matrix/Scene.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "wire/DeviceModels.h"

namespace matrix {

using json = nlohmann::ordered_json;

namespace {

// Below this a view shows nothing a pixel could hold.
constexpr double kInvisible = 1.0 / 512;

// Stock views that are one thing on the lock screen: those drawn whole (a
// platter, a button) and those that are what their content draws (the stock
// clock, the call to action).
const std::set<std::string>& paintedWhole() {
    static const std::set<std::string> names{
        "NCNotificationShortLookView", "NCNotificationListSectionHeaderView", "SBDashBoardPageControl",
        "SBUIProudLockIconView",       "SBDashBoardQuickActionsButton",       "SBHomeGrabberView",
        "MPULockScreenMediaControlsView", "MediaControlsPanelView",           "SBDashBoardMediaArtworkView",
    };
    return names;
}
const std::set<std::string>& drawnByContent() {
    static const std::set<std::string> names{"SBFLockScreenDateView", "SBUICallToActionLabel"};
    return names;
}

// A tweak's code is a library the device's loader loaded.
bool fromTweak(const std::string& library) {
    return library.size() > 6 && library.compare(library.size() - 6, 6, ".dylib") == 0;
}

double number(const json& v, double fallback = 0) {
    if (!v.is_number()) return fallback;
    double d = v.get<double>();
    return std::isfinite(d) ? d : fallback;
}

// A name or text of the device's, as long as a finding may quote it.
constexpr std::size_t kLongestText = 512;

std::string text(const json& object, const char* key) {
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>().substr(0, kLongestText) : std::string();
}

// A whole number of the dump's (lines, an alignment), within what any label has.
long count(double v) { return static_cast<long>(std::clamp(v, -1e6, 1e6)); }

Box boxOf(const json& frame, double dx, double dy) {
    if (!frame.is_array() || frame.size() != 4) return {};
    return {dx + number(frame[0]), dy + number(frame[1]), std::max(0.0, number(frame[2])), std::max(0.0, number(frame[3]))};
}

bool colourOf(const json& c, Colour& out) {
    if (!c.is_array() || c.size() != 4) return false;
    out = {std::clamp(number(c[0]), 0.0, 1.0), std::clamp(number(c[1]), 0.0, 1.0), std::clamp(number(c[2]), 0.0, 1.0),
           std::clamp(number(c[3]), 0.0, 1.0)};
    return true;
}

// A block as it is gathered: the frame of the view that began it (what its
// subviews must stay inside) and whether it is drawn whole or by its content.
struct Gathered {
    Block block;
    Box bounds;
    bool tweak = false;
    bool whole = false;
};

struct Walk {
    Scene& scene;
    std::vector<Gathered> gathered;
    std::size_t views = 0;
    std::string failure;
};

struct Place {
    double x = 0, y = 0;     // the superview's origin on the screen
    double alpha = 1;
    int block = -1;          // the block being gathered, if any
    std::string within;      // the nearest named view above
};

ShownLabel labelOf(const json& view, const ViewName& name, const Box& frame, double alpha, const std::string& within,
                   bool painted) {
    ShownLabel l;
    l.view = name;
    l.within = within;
    l.frame = frame;
    l.text = frame;
    l.ink = frame;
    l.painted = painted;
    l.words = text(view, "text");
    if (auto n = view.find("numberOfLines"); n != view.end()) l.numberOfLines = count(number(*n, 1));
    Colour base{0, 0, 0, 1};
    if (auto c = view.find("textColor"); c != view.end()) colourOf(*c, base);
    auto runs = view.find("attributedText");
    if (runs != view.end() && runs->is_array() && !runs->empty()) {
        for (const json& run : *runs) {
            Colour c = base;
            if (run.is_object() && run.contains("color")) colourOf(run["color"], c);
            if (run.is_object() && !text(run, "text").empty()) l.colours.push_back(c);
        }
    } else {
        l.colours.push_back(base);
    }
    for (Colour& c : l.colours) c.a *= alpha;
    auto fit = view.find("textFit");
    if (fit != view.end() && fit->is_object()) {
        l.measured = true;
        l.lines = static_cast<int>(count(number(fit->value("lines", json()))));
        l.shownLines = static_cast<int>(count(number(fit->value("shownLines", json()))));
        l.truncated = fit->value("truncated", json()).is_boolean() && fit->value("truncated", json()).get<bool>();
        double w = std::min(number(fit->value("width", json())), 1e6), h = std::min(number(fit->value("height", json())), 1e6);
        long alignment = count(number(view.value("textAlignment", json()), 4));
        double x = frame.x;
        if (alignment == 1) x = frame.x + (frame.w - w) / 2;
        if (alignment == 2) x = frame.right() - w;
        l.text = {x, frame.y + (frame.h - h) / 2, w, h};
        l.ink = l.text;
        auto ink = fit->find("ink");
        if (ink != fit->end() && ink->is_array() && ink->size() == 4 && number((*ink)[2]) > 0 && number((*ink)[3]) > 0)
            l.ink = {frame.x + number((*ink)[0]), frame.y + number((*ink)[1]), std::min(number((*ink)[2]), 1e6),
                     std::min(number((*ink)[3]), 1e6)};
    }
    return l;
}

void visit(Walk& walk, const json& view, Place place, int depth) {
    if (!walk.failure.empty()) return;
    if (depth > kDeepestViews) {
        walk.failure = "the views nest deeper than " + std::to_string(kDeepestViews);
        return;
    }
    if (++walk.views > kMostViews) {
        walk.failure = "the dump holds more than " + std::to_string(kMostViews) + " views";
        return;
    }
    if (!view.is_object()) return;
    if (auto hidden = view.find("hidden"); hidden != view.end() && hidden->is_boolean() && hidden->get<bool>()) return;
    double alpha = place.alpha * std::clamp(number(view.value("alpha", json()), 1), 0.0, 1.0);
    if (alpha < kInvisible) return;
    ViewName name{text(view, "class"), text(view, "library")};
    Box frame = boxOf(view.value("frame", json()), place.x, place.y);
    Scene& scene = walk.scene;
    std::vector<Gathered>& gathered = walk.gathered;
    const Box screen{0, 0, scene.width, scene.height};
    const bool tweak = fromTweak(name.library);
    const bool whole = paintedWhole().count(name.className) > 0;
    const bool hostBlock = whole || drawnByContent().count(name.className) > 0;

    bool isLabel = view.contains("text") && view["text"].is_string();
    bool hasImage = view.value("image", json()).is_boolean() && view["image"].get<bool>();
    Colour background;
    bool painted = colourOf(view.value("backgroundColor", json()), background) && background.a * alpha > 0.05;
    // A veil over the whole screen (a tweak's background) is the backdrop, not a block on it.
    const bool backdrop = frame.w * frame.h >= 0.9 * scene.width * scene.height;
    bool content = (isLabel && !text(view, "text").empty()) || hasImage || (painted && !backdrop);

    // Everything under a tweak's view is that tweak's block; a view that
    // spills out of a stock block is a block of its own.
    Gathered* current = place.block >= 0 ? &gathered[static_cast<std::size_t>(place.block)] : nullptr;
    bool insideTweak = current && current->tweak;
    // A stock container wholly off the screen is another page of the lock screen.
    auto subviews = view.find("subviews");
    const bool container = subviews != view.end() && subviews->is_array() && !subviews->empty();
    if (depth > 0 && container && !content && !tweak && !hostBlock && !insideTweak && frame.w > 0 && frame.h > 0 &&
        intersection(frame, screen).w <= 0)
        return;
    bool escapes = !current || !contains(current->bounds, frame, 1);
    Place inner = place;
    inner.x = frame.x;
    inner.y = frame.y;
    inner.alpha = alpha;
    if (!insideTweak && (hostBlock || tweak || (content && escapes))) {
        Gathered g;
        g.block = {name, place.within, whole ? frame : Box{}, false, {}};
        if (whole) g.block.pieces.push_back(frame);
        g.bounds = frame;
        g.tweak = tweak;
        g.whole = whole;
        gathered.push_back(std::move(g));
        inner.block = static_cast<int>(gathered.size()) - 1;
    }
    Box drawn = frame;
    if (isLabel) {
        ShownLabel label = labelOf(view, name, frame, alpha, place.within, painted);
        drawn = label.ink;
        scene.labels.push_back(std::move(label));
    }
    if (content && inner.block >= 0) {
        Gathered& g = gathered[static_cast<std::size_t>(inner.block)];
        if (!g.whole) {
            g.block.rect = unionOf(g.block.rect, drawn);
            if (drawn.w > 0 && drawn.h > 0) g.block.pieces.push_back(drawn);
        }
    }
    // The platform's own classes (its libraries are lib*) name no place.
    if (!name.className.empty() && name.library.rfind("lib", 0) != 0) inner.within = "in " + describe(name);
    if (!container) return;
    for (const json& sub : *subviews) visit(walk, sub, inner, depth + 1);
}

// The status bar, and on a screen with a sensor housing its two ears and the housing.
void addScreenParts(Scene& scene, const json& dump) {
    std::string model = dump.value("model", json()).is_string() ? dump["model"].get<std::string>() : "iPhone";
    const sim::Screen* s = sim::findScreen(model, scene.width, scene.height);
    Box bar = boxOf(dump.value("statusBar", json::object()).value("frame", json()), 0, 0);
    if (s && s->housing.present()) {
        double side = (scene.width - s->housing.width) / 2;
        double height = bar.h > 0 ? bar.h : s->statusBarHeight;
        const Box left{0, 0, side, height}, right{scene.width - side, 0, side, height};
        const Box housing{side, 0, s->housing.width, s->housing.height};
        scene.blocks.push_back({{"status bar's left ear", "SpringBoard"}, "", left, true, {left}});
        scene.blocks.push_back({{"status bar's right ear", "SpringBoard"}, "", right, true, {right}});
        scene.blocks.push_back({{"sensor housing", "the screen"}, "", housing, true, {housing}});
    } else if (bar.w > 0 && bar.h > 0) {
        scene.blocks.push_back({{"status bar", "SpringBoard"}, "", bar, true, {bar}});
    }
}

}  // namespace

ns::Result<Scene> sceneOf(const json& dump) {
    if (!dump.is_object()) return ns::fail("the dump is not a JSON object");
    Scene scene;
    auto screen = dump.find("screen");
    if (screen == dump.end() || !screen->is_object()) return ns::fail("the dump has no screen");
    scene.width = number(screen->value("width", json()));
    scene.height = number(screen->value("height", json()));
    scene.scale = number(screen->value("scale", json()), 1);
    if (!(scene.width > 0 && scene.width <= 4096 && scene.height > 0 && scene.height <= 4096 && scene.scale > 0 &&
          scene.scale <= 4))
        return ns::fail("the dump's screen is not a size from 1 to 4096 points at a scale from 1 to 4");
    addScreenParts(scene, dump);
    auto views = dump.find("views");
    if (views == dump.end() || !views->is_object()) return ns::fail("the dump has no view tree");
    Walk walk{scene, {}, 0, {}};
    visit(walk, *views, {}, 0);
    if (!walk.failure.empty()) return ns::fail(walk.failure);
    for (Gathered& g : walk.gathered) scene.blocks.push_back(std::move(g.block));
    // A block that draws nothing is nothing a person sees.
    std::erase_if(scene.blocks, [](const Block& b) { return b.rect.w <= 0 || b.rect.h <= 0; });
    return scene;
}

}  // namespace matrix
