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
// on for the device's sans families; an unknown name draws the regular sans.
// Characters the family lacks (CJK weekday names) fall back through fontconfig
// to an installed face of the nearest weight.
FontFace faceForFontName(std::string_view deviceName);

// The file fontconfig picks for the face (empty when it finds none): lets a
// check see that the weights are really installed, not silently substituted.
std::string fontFileFor(const FontFace& face);

// How many characters of `text` no installed font can draw in the device font
// (0 when every character has a glyph, fallback fonts included).
int missingGlyphs(std::string_view text, std::string_view deviceFontName);

}  // namespace render
