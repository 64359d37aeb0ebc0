// The lock screen as the layout check sees it, read from a shot's dump: the
// blocks a person tells apart (a tweak's views, each notification platter,
// the stock clock, the controls, the status bar, its ears and the sensor
// housing) and every label shown, all in screen points.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "foundation/Result.h"
#include "matrix/Findings.h"

namespace matrix {

struct Block {
    ViewName view;
    std::string within;  // the block's place in the tree ("in SBFLockScreenDateView (SpringBoard)"), or ""
    Box rect;            // what it draws, as one rectangle
    bool screenPart = false;  // the status bar, an ear or the housing: never off the screen
    std::vector<Box> pieces;  // what it draws, piece by piece (its views with content)
};

struct Colour {
    double r = 0, g = 0, b = 0, a = 0;
};

struct ShownLabel {
    ViewName view;
    std::string within;
    Box frame;                   // the label's frame
    Box text;                    // where its text is laid out (the frame when not measured)
    Box ink;                     // where its glyphs' ink lies (the text when not measured)
    std::string words;           // its text
    bool painted = false;        // its own background shows
    bool measured = false;       // the dump said how its text fits
    int lines = 0, shownLines = 0;
    bool truncated = false;
    long numberOfLines = 1;
    std::vector<Colour> colours;  // the text's colours, their alpha times the label's
};

struct Scene {
    double width = 0, height = 0, scale = 1;
    std::vector<Block> blocks;
    std::vector<ShownLabel> labels;
};

// The most views a dump may hold and the deepest they may nest.
inline constexpr std::size_t kMostViews = 20000;
inline constexpr int kDeepestViews = 64;

// A failure says what of the dump is missing or out of bounds.
ns::Result<Scene> sceneOf(const nlohmann::ordered_json& dump);

}  // namespace matrix
