#include "matrix/Sheets.h"

#include <algorithm>

namespace matrix {

SheetGrid gridOf(const Report& report) {
    SheetGrid grid;
    for (const std::string& style : report.plan.choice.styles)
        for (const std::string& locale : report.plan.choice.locales) grid.columns.push_back(style + " · " + locale);
    for (const Shot& shot : report.shots) {
        const Combination& c = shot.combination;
        std::string row = c.version + " · " + c.screen();
        auto at = std::find(grid.rows.begin(), grid.rows.end(), row);
        if (at == grid.rows.end()) {
            grid.rows.push_back(row);
            grid.cells.emplace_back(grid.columns.size(), nullptr);
            at = grid.rows.end() - 1;
        }
        auto column = std::find(grid.columns.begin(), grid.columns.end(), c.style + " · " + c.locale);
        if (column == grid.columns.end()) continue;
        grid.cells[static_cast<std::size_t>(at - grid.rows.begin())][static_cast<std::size_t>(column - grid.columns.begin())] =
            &shot;
    }
    return grid;
}

std::string verdict(const Shot& shot) {
    std::string word;
    if (!shot.error.empty()) word = "failed";
    else if (shot.findings.empty()) word = "clean";
    else word = std::to_string(shot.findings.size()) + (shot.findings.size() == 1 ? " finding" : " findings");
    if (shot.comparison && shot.comparison->status != "same") word += ", " + shot.comparison->status;
    return word;
}

}  // namespace matrix
