// screen_contact_sheet: the lock screen's reference pictures side by side on
// one sheet, a row per system version and screen class, for people to look
// at (docs/). scripts/update-reference-screens makes it with the references.
//   screen_contact_sheet REFERENCE_FOLDER OUTPUT.png
#include <cairo.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "graphics/ImageFile.h"
#include "matrix/SheetDrawing.h"

namespace {

namespace fs = std::filesystem;

constexpr double kThumbHeight = 220;
constexpr double kGap = 14, kLabel = 22, kRowTitle = 150;

struct Row {
    std::string title;   // "11 · 375 × 812"
    std::string prefix;  // "11-375x812"
};

const char* const kColumns[] = {"stock-locked", "stock-unlocked", "panel-locked", "panel-unlocked"};
const char* const kColumnTitles[] = {"stock, locked", "stock, unlocked", "panel, locked", "panel, unlocked"};

// Draws the picture scaled to the thumbnail height; answers its width (0 when missing).
double thumb(cairo_t* cr, const fs::path& file, double x, double y) {
    if (!fs::exists(file)) return 0;
    auto picture = cg::loadImageFile(file.string());
    if (!picture) return 0;
    cairo_surface_t* surface = matrix::surfaceOf(**picture);
    double width = matrix::drawScaled(cr, surface, x, y, kThumbHeight);
    cairo_surface_destroy(surface);
    return width;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: screen_contact_sheet REFERENCE_FOLDER OUTPUT.png\n");
        return 2;
    }
    const fs::path folder = argv[1];
    std::vector<Row> rows;
    for (const char* version : {"10", "11"})
        for (const char* screen : {"320x568", "375x667", "414x736", "375x812", "ipad-768x1024", "ipad-1024x1366"}) {
            std::string prefix = std::string(version) + "-" + screen;
            if (!fs::exists(folder / (prefix + "-stock-locked.png"))) continue;
            std::string title = std::string("system ") + version + "\n" + screen;
            rows.push_back({title, prefix});
        }
    const double columnWidth = 0.75 * kThumbHeight + kGap;  // a 1024 x 1366 tablet's share
    const double width = kRowTitle + 4 * columnWidth + kGap;
    const double rowHeight = kLabel + kThumbHeight + kGap;
    const double height = kGap + kLabel + rows.size() * rowHeight + kLabel + rowHeight;
    cairo_surface_t* sheet = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width), static_cast<int>(height));
    cairo_t* cr = cairo_create(sheet);
    cairo_set_source_rgb(cr, 0.96, 0.96, 0.97);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.15, 0.15, 0.18);
    for (int c = 0; c < 4; ++c) matrix::sheetText(cr, kColumnTitles[c], kRowTitle + c * columnWidth, kGap, 14, true);
    double y = kGap + kLabel;
    for (const Row& row : rows) {
        cairo_set_source_rgb(cr, 0.15, 0.15, 0.18);
        matrix::sheetText(cr, row.title, kGap, y + kThumbHeight / 2 - 20, 15, true);
        for (int c = 0; c < 4; ++c) thumb(cr, folder / (row.prefix + "-" + kColumns[c] + ".png"), kRowTitle + c * columnWidth, y);
        y += rowHeight;
    }
    cairo_set_source_rgb(cr, 0.15, 0.15, 0.18);
    matrix::sheetText(cr, "media playing: system 10 and 11 on 375x667 (locked), 11 on 375x812 (unlocked)", kGap, y, 14, true);
    y += kLabel;
    double x = kRowTitle;
    for (const char* name : {"10-375x667-stock-locked-media", "11-375x667-stock-locked-media", "11-375x812-stock-unlocked-media"})
        x += thumb(cr, folder / (std::string(name) + ".png"), x, y) + kGap;
    cairo_destroy(cr);
    if (cairo_surface_write_to_png(sheet, argv[2]) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "screen_contact_sheet: cannot write %s\n", argv[2]);
        cairo_surface_destroy(sheet);
        return 1;
    }
    cairo_surface_destroy(sheet);
    return 0;
}
