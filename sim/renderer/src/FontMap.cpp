#include "renderer/FontMap.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include "Internal.h"

#include <array>
#include <map>
#include <cctype>
#include <mutex>
#include <optional>
#include <utility>

namespace render {

namespace {

// The one sans family installed for the device's fonts: it has every weight
// from thin to black, in a text cut and a display cut.
constexpr const char* kSans = "Inter";
constexpr const char* kDisplaySans = "Inter Display";

// Device families drawn with the sans family.
constexpr std::array<std::string_view, 9> kSansFamilies = {
    "PingFangSC", "PingFangTC", "PingFangHK", "HelveticaNeue", "Helvetica",
    ".SFUIText",  ".SFUIDisplay", "SFUIText",  "SFUIDisplay",
};

// The system font's display cut (what it uses from 20 points up) has its own.
bool displayCut(std::string_view family) { return family == ".SFUIDisplay" || family == "SFUIDisplay"; }

struct StyleWord {
    std::string_view word;
    int weight;
};
// Longest words first so "UltraLight" is not read as "Light".
constexpr std::array<StyleWord, 13> kWeights = {{
    {"UltraLight", 200}, {"ExtraLight", 200}, {"SemiBold", 600}, {"Semibold", 600}, {"DemiBold", 600},
    {"Regular", 400},    {"Medium", 500},     {"Light", 300},    {"Thin", 100},     {"Heavy", 800},
    {"Black", 900},      {"Bold", 700},       {"Roman", 400},
}};

bool knownFamily(std::string_view family) {
    for (auto f : kSansFamilies)
        if (f == family) return true;
    return false;
}

// The weight and slant a style suffix names ("LightItalic", "Thin", "Italic");
// nothing when the suffix is not a style.
std::optional<std::pair<int, bool>> readStyle(std::string_view style) {
    bool italic = false;
    constexpr std::string_view kItalic = "Italic";
    if (style.size() >= kItalic.size() && style.substr(style.size() - kItalic.size()) == kItalic) {
        italic = true;
        style.remove_suffix(kItalic.size());
    }
    if (style.empty()) return std::pair{400, italic};
    for (const auto& w : kWeights)
        if (style == w.word) return std::pair{w.weight, italic};
    return std::nullopt;
}

}  // namespace

FontFace faceForFontName(std::string_view name) {
    FontFace regular{kSans, 400, false};
    std::string_view family = name;
    std::string_view style;
    if (auto dash = name.rfind('-'); dash != std::string_view::npos && dash > 0) {
        family = name.substr(0, dash);
        style = name.substr(dash + 1);
    }
    if (!knownFamily(family)) return regular;
    auto parsed = readStyle(style);
    if (!parsed) return regular;
    return FontFace{displayCut(family) ? kDisplaySans : kSans, parsed->first, parsed->second};
}

std::string fontFileFor(const FontFace& face) {
    static std::mutex lock;  // fontconfig's default configuration is not safe to build twice at once
    std::lock_guard guard(lock);
    if (!FcInit()) return {};
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(face.weight));
    FcPatternAddInteger(pattern, FC_SLANT, face.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string file;
    if (match) {
        FcChar8* path = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
            file = reinterpret_cast<const char*>(path);
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return file;
}

int missingGlyphs(std::string_view text, std::string_view deviceFontName) {
    FontFace face = faceForFontName(deviceFontName);
    PangoContext* context = pango_font_map_create_context(detail::fontMap());
    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, face.family.c_str());
    pango_font_description_set_weight(d, static_cast<PangoWeight>(face.weight));
    pango_font_description_set_absolute_size(d, 17 * PANGO_SCALE);
    pango_layout_set_font_description(layout, d);
    pango_font_description_free(d);
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
    int missing = pango_layout_get_unknown_glyphs_count(layout);
    g_object_unref(layout);
    g_object_unref(context);
    return missing;
}

}  // namespace render

namespace render {

namespace {
std::mutex metricsLock;
std::map<std::pair<std::string, double>, LineMetrics>& metricsCache() {
    static auto* cache = new std::map<std::pair<std::string, double>, LineMetrics>;  // lives as long as the process
    return *cache;
}
}  // namespace

LineMetrics lineMetrics(std::string_view deviceFontName, double points) {
    std::pair<std::string, double> key{std::string(deviceFontName), points};
    std::lock_guard guard(metricsLock);
    auto& cache = metricsCache();
    if (auto it = cache.find(key); it != cache.end()) return it->second;
    PangoContext* context = pango_font_map_create_context(detail::fontMap());
    detail::unhinted(context);
    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* d = detail::fontDescription(key.first, points);
    pango_layout_set_font_description(layout, d);
    pango_font_description_free(d);
    pango_layout_set_text(layout, "0", 1);
    int width = 0, height = 0;
    pango_layout_get_size(layout, &width, &height);
    LineMetrics m{static_cast<double>(pango_layout_get_baseline(layout)) / PANGO_SCALE,
                  static_cast<double>(height) / PANGO_SCALE};
    g_object_unref(layout);
    g_object_unref(context);
    cache.emplace(std::move(key), m);
    return m;
}

int wrappedLines(std::string_view text, std::string_view deviceFontName, double points, double width) {
    if (text.empty() || !(width > 0)) return 1;
    PangoContext* context = pango_font_map_create_context(detail::fontMap());
    detail::unhinted(context);
    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* d = detail::fontDescription(std::string(deviceFontName), points);
    pango_layout_set_font_description(layout, d);
    pango_font_description_free(d);
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
    pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    int lines = pango_layout_get_line_count(layout);
    g_object_unref(layout);
    g_object_unref(context);
    return lines;
}

double labelBaseline(std::string_view deviceFontName, double points, double labelHeight) {
    LineMetrics m = lineMetrics(deviceFontName, points);
    return (labelHeight - m.height) / 2 + m.baseline;
}

}  // namespace render
