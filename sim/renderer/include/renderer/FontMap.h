// The device's font names drawn with installed families of the same weight.
#pragma once

#include <string>
#include <string_view>

namespace render {

struct FontFace {
    std::string family;  // a fontconfig family name
    int weight = 400;    // 100 thin ... 400 regular ... 600 semibold ... 900 black
    bool italic = false;
    friend bool operator==(const FontFace&, const FontFace&) = default;
};

// "PingFangSC-Thin" -> Inter 100, "HelveticaNeue-UltraLight" -> Inter 200, and so
// on for the device's sans families (the system font's display cut,
// ".SFUIDisplay-Thin", in Inter Display); an unknown name draws the regular sans.
// Characters the family lacks (CJK weekday names) fall back through fontconfig
// to an installed face of the nearest weight.
FontFace faceForFontName(std::string_view deviceName);

// The file fontconfig picks for the face (empty when it finds none): lets a
// check see that the weights are really installed, not silently substituted.
std::string fontFileFor(const FontFace& face);

// How many characters of `text` no installed font can draw in the device font
// (0 when every character has a glyph, fallback fonts included).
int missingGlyphs(std::string_view text, std::string_view deviceFontName);

// One line of text in a device font, as a label lays it out: the baseline's
// distance from the line's top and the line's height, in points.
struct LineMetrics {
    double baseline = 0;
    double height = 0;
};
LineMetrics lineMetrics(std::string_view deviceFontName, double points);
// Where a label of that font and height puts the baseline of a single line
// (labels centre their text vertically), from the label's top.
double labelBaseline(std::string_view deviceFontName, double points, double labelHeight);
// How many lines a label of that font and width wraps the text into (1 for
// an empty text or no width).
int wrappedLines(std::string_view text, std::string_view deviceFontName, double points, double width);

}  // namespace render
