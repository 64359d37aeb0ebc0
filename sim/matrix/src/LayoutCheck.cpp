#include "matrix/LayoutCheck.h"

#include "matrix/Report.h"

#include <cmath>
#include <cstdio>

namespace matrix {

namespace {

// Less than this, in points either way, is anti-aliasing, not a fault.
constexpr double kSlack = 1;

std::string points(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", std::round(v * 10) / 10);
    return text;
}

std::string named(const ViewName& view, const std::string& within) {
    return within.empty() ? describe(view) : describe(view) + " " + within;
}

// A label's words as a finding quotes them: short, on one line.
std::string quoted(const std::string& words) {
    std::string shown;
    for (char c : words) shown += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
    if (shown.size() > 40) {
        std::size_t cut = 40;
        while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;  // whole characters
        shown = shown.substr(0, cut) + "…";
    }
    return "\"" + shown + "\"";
}

void overlaps(const Scene& scene, std::vector<Finding>& out) {
    for (std::size_t i = 0; i < scene.blocks.size(); ++i)
        for (std::size_t j = i + 1; j < scene.blocks.size(); ++j) {
            const Block& a = scene.blocks[i];
            const Block& b = scene.blocks[j];
            if (a.screenPart && b.screenPart) continue;
            // Blocks overlap where what they draw does: a gap between two
            // labels of one block leaves room for another block.
            Box shared;
            for (const Box& pa : a.pieces)
                for (const Box& pb : b.pieces) {
                    Box piece = intersection(pa, pb);
                    if (piece.w > kSlack && piece.h > kSlack) shared = unionOf(shared, piece);
                }
            if (shared.w <= kSlack || shared.h <= kSlack) continue;
            out.push_back({kOverlap,
                           named(a.view, a.within) + " and " + named(b.view, b.within) + " overlap by " + points(shared.w) +
                               " x " + points(shared.h) + " points",
                           {a.view, b.view},
                           shared});
        }
}

void clippedText(const Scene& scene, std::vector<Finding>& out) {
    for (const ShownLabel& l : scene.labels) {
        if (!l.measured || l.words.empty()) continue;
        std::string what;
        if (l.truncated) {
            what = "is truncated: its text takes " + std::to_string(l.lines) + " lines, " + std::to_string(l.shownLines) +
                   " shown with an ellipsis";
        } else if (l.shownLines < l.lines && l.numberOfLines > 0 && l.lines > l.numberOfLines) {
            what = "wraps past its " + std::to_string(l.numberOfLines) + (l.numberOfLines == 1 ? " line" : " lines") +
                   ": its text takes " + std::to_string(l.lines);
        } else if (l.shownLines < l.lines) {
            what = "is cut: its text takes " + std::to_string(l.lines) + " lines, its frame holds " +
                   std::to_string(l.shownLines);
        } else {
            continue;
        }
        out.push_back({kClippedText, named(l.view, l.within) + " " + quoted(l.words) + " " + what, {l.view}, l.frame});
    }
}

void offScreen(const Scene& scene, std::vector<Finding>& out) {
    for (const Block& b : scene.blocks) {
        if (b.screenPart) continue;
        double cx = b.rect.x + b.rect.w / 2, cy = b.rect.y + b.rect.h / 2;
        if (cx >= 0 && cx <= scene.width && cy >= 0 && cy <= scene.height) continue;
        out.push_back({kOffScreen,
                       named(b.view, b.within) + " has its centre at (" + points(cx) + ", " + points(cy) + "), off the " +
                           points(scene.width) + " x " + points(scene.height) + " screen",
                       {b.view},
                       b.rect});
    }
}

void lowContrast(const Scene& scene, const Pixels& pixels, std::vector<Finding>& out) {
    for (const ShownLabel& l : scene.labels) {
        if (l.words.empty()) continue;
        auto ratio = textContrast(l, pixels, scene.scale);
        if (!ratio || *ratio >= kLeastContrast) continue;
        char figure[32];
        std::snprintf(figure, sizeof figure, "%.2f", *ratio);
        out.push_back({kLowContrast,
                       named(l.view, l.within) + " " + quoted(l.words) + " has a contrast of " + figure +
                           ":1 against what lies under it (at least 3:1 is needed)",
                       {l.view},
                       l.text});
    }
}

void emptyLabels(const Scene& scene, std::vector<Finding>& out) {
    const Box screen{0, 0, scene.width, scene.height};
    for (const ShownLabel& l : scene.labels) {
        if (!l.words.empty() || !l.painted || l.frame.w <= 0 || l.frame.h <= 0 || intersection(l.frame, screen).w <= 0) continue;
        out.push_back({kEmptyLabel, named(l.view, l.within) + " is shown, its background drawn, with no text", {l.view}, l.frame});
    }
}

}  // namespace

std::vector<Finding> checkLayout(const Scene& scene, const Pixels& pixels) {
    std::vector<Finding> out;
    overlaps(scene, out);
    clippedText(scene, out);
    offScreen(scene, out);
    lowContrast(scene, pixels, out);
    emptyLabels(scene, out);
    if (out.size() > kMostFindings) out.resize(kMostFindings);
    return out;
}

}  // namespace matrix
