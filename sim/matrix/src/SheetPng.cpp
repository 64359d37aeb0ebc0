#include <cairo.h>

#include <algorithm>

#include "graphics/ImageFile.h"
#include "matrix/SheetDrawing.h"
#include "matrix/Sheets.h"

namespace matrix {

namespace {

constexpr double kGap = 14, kTitle = 48, kHeading = 22, kCaption = 34, kRowTitle = 130;

void ink(cairo_t* cr) { cairo_set_source_rgb(cr, 0.15, 0.15, 0.18); }

// The thumbnail with the findings outlined; answers nothing when it cannot be read.
bool drawShot(cairo_t* cr, const Shot& shot, const std::filesystem::path& folder, double x, double y) {
    const Combination& c = shot.combination;
    const double thumbWidth = kThumbHeight * c.width / c.height;
    if (!shot.error.empty()) {
        cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
        cairo_rectangle(cr, x, y, thumbWidth, kThumbHeight);
        cairo_fill(cr);
        ink(cr);
        sheetText(cr, "failed", x + 8, y + kThumbHeight / 2 - 8, 13, true);
        return true;
    }
    auto thumb = cg::loadImageFile((folder / shot.thumb()).string());
    if (!thumb) return false;
    cairo_surface_t* picture = surfaceOf(**thumb);
    drawScaled(cr, picture, x, y, kThumbHeight);
    cairo_surface_destroy(picture);
    const double scale = kThumbHeight / c.height;
    cairo_set_line_width(cr, 2);
    cairo_set_source_rgb(cr, 0.88, 0, 0.16);
    for (const Finding& f : shot.findings) {
        cairo_rectangle(cr, x + f.rect.x * scale, y + f.rect.y * scale, std::max(f.rect.w * scale, 2.0),
                        std::max(f.rect.h * scale, 2.0));
        cairo_stroke(cr);
    }
    if (shot.comparison && shot.comparison->status != "same") {
        cairo_set_line_width(cr, 3);
        cairo_set_source_rgb(cr, 0.95, 0.55, 0);
        cairo_rectangle(cr, x - 2, y - 2, thumbWidth + 4, kThumbHeight + 4);
        cairo_stroke(cr);
    }
    return true;
}

}  // namespace

ns::Result<> writeSheetPng(const Report& report, const std::filesystem::path& folder, const std::filesystem::path& file) {
    SheetGrid grid = gridOf(report);
    double columnWidth = 120;
    for (const Shot& s : report.shots)
        columnWidth = std::max(columnWidth, kThumbHeight * s.combination.width / s.combination.height + kGap);
    const double rowHeight = kThumbHeight + kCaption + kGap;
    const double width = kRowTitle + std::max<std::size_t>(grid.columns.size(), 1) * columnWidth + kGap;
    const double height = kGap + kTitle + kHeading + grid.rows.size() * rowHeight + kGap;
    cairo_surface_t* sheet = cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(width), static_cast<int>(height));
    cairo_t* cr = cairo_create(sheet);
    cairo_set_source_rgb(cr, 0.96, 0.96, 0.97);
    cairo_paint(cr);
    ink(cr);
    sheetText(cr,
              "Orvelle matrix: " + std::to_string(report.shots.size()) + " shots at " + report.plan.at + ", " +
                  std::to_string(report.findings()) + " findings, " + std::to_string(report.failed()) + " failed, " +
                  std::to_string(report.changed()) + " changed",
              kGap, kGap, 16, true, width - 2 * kGap);
    double y = kGap + kTitle;
    for (std::size_t c = 0; c < grid.columns.size(); ++c) sheetText(cr, grid.columns[c], kRowTitle + c * columnWidth, y, 13, true);
    y += kHeading;
    std::string missing;
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        ink(cr);
        sheetText(cr, grid.rows[r], kGap, y + kThumbHeight / 2 - 10, 13, true, kRowTitle - 2 * kGap);
        for (std::size_t c = 0; c < grid.columns.size(); ++c) {
            const Shot* shot = grid.cells[r][c];
            if (!shot) continue;
            const double x = kRowTitle + c * columnWidth;
            if (!drawShot(cr, *shot, folder, x, y) && missing.empty()) missing = shot->thumb();
            ink(cr);
            sheetText(cr, verdict(*shot), x, y + kThumbHeight + 4, 11, false, columnWidth - kGap);
        }
        y += rowHeight;
    }
    cairo_destroy(cr);
    cairo_status_t written = cairo_surface_write_to_png(sheet, file.c_str());
    cairo_surface_destroy(sheet);
    if (!missing.empty()) return ns::fail("cannot read the thumbnail " + (folder / missing).string());
    if (written != CAIRO_STATUS_SUCCESS)
        return ns::fail("cannot write " + file.string() + ": " + cairo_status_to_string(written));
    return {};
}

}  // namespace matrix
