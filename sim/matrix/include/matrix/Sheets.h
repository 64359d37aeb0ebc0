// The contact sheet of a matrix, as an HTML page and as a PNG: a row for each
// system version and screen, a column for each style and locale, every shot
// as its thumbnail with what the layout check found outlined on it, shots
// that changed against the baseline framed, and those that failed marked.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/Result.h"
#include "matrix/Report.h"

namespace matrix {

// The height of a thumbnail, in pixels.
inline constexpr double kThumbHeight = 220;

// The shots in rows (version and screen, in the shots' order) and columns
// (style and locale, in the plan's order); no shot where a shard had none.
struct SheetGrid {
    std::vector<std::string> rows;     // "11.1.2 · 375x812"
    std::vector<std::string> columns;  // "row · ja_JP"
    std::vector<std::vector<const Shot*>> cells;
};
SheetGrid gridOf(const Report& report);

// A shot's state in a word for its caption: "3 findings", "clean", "failed".
std::string verdict(const Shot& shot);

// Every text of the page escaped: & < > " '.
std::string htmlEscaped(const std::string& text);

// The page; its pictures are the folder's thumbnails, linked to the shots.
std::string sheetHtml(const Report& report);

// Draws the sheet from the thumbnails in `folder` to `file`.
ns::Result<> writeSheetPng(const Report& report, const std::filesystem::path& folder, const std::filesystem::path& file);

}  // namespace matrix
