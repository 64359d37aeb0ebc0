#include <cstdio>

#include "matrix/Sheets.h"

namespace matrix {

namespace {

std::string percent(double part, double whole) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f%%", whole > 0 ? part / whole * 100 : 0);
    return text;
}

const char* const kStyle = R"(<style>
body { font: 14px/1.4 system-ui, sans-serif; margin: 24px; background: #f5f5f7; color: #26262d; }
table { border-collapse: collapse; }
th { text-align: left; padding: 6px 10px; font-weight: 600; vertical-align: top; }
td { padding: 6px 10px; vertical-align: top; }
.shot { position: relative; display: inline-block; line-height: 0; }
.shot img { height: 220px; }
.shot.changed img { outline: 3px solid #f28c00; }
.outline { position: absolute; border: 2px solid #e0002a; box-sizing: border-box; }
.failed { width: 100px; height: 220px; background: #ccc; display: flex; align-items: center; justify-content: center; line-height: 1.4; }
figcaption { font-size: 12px; margin-top: 4px; }
ol { font-size: 12px; padding-left: 18px; max-width: 260px; margin: 4px 0; }
.kind { font-weight: 600; }
</style>
)";

void cell(std::string& page, const Shot& shot) {
    const Combination& c = shot.combination;
    std::string name = htmlEscaped(c.name());
    bool changed = shot.comparison && shot.comparison->status != "same";
    page += "<td><figure id=\"" + name + "\">";
    if (!shot.error.empty()) {
        page += "<div class=\"failed\">failed</div>";
    } else {
        page += std::string("<div class=\"shot") + (changed ? " changed" : "") + "\"><a href=\"" + htmlEscaped(shot.image()) +
                "\"><img src=\"" + htmlEscaped(shot.thumb()) + "\" alt=\"" + name + "\"></a>";
        for (const Finding& f : shot.findings)
            page += "<div class=\"outline\" style=\"left:" + percent(f.rect.x, c.width) + ";top:" + percent(f.rect.y, c.height) +
                    ";width:" + percent(f.rect.w, c.width) + ";height:" + percent(f.rect.h, c.height) + "\" title=\"" +
                    htmlEscaped(f.message) + "\"></div>";
        page += "</div>";
    }
    page += "<figcaption>" + name + ": " + htmlEscaped(verdict(shot));
    if (shot.comparison && shot.comparison->status == "different")
        page += " (<a href=\"" + htmlEscaped(shot.diff()) + "\">" + std::to_string(shot.comparison->differentPixels) +
                " pixels</a>)";
    page += "</figcaption>";
    if (!shot.error.empty()) page += "<ol><li>" + htmlEscaped(shot.error) + "</li></ol>";
    if (!shot.findings.empty()) {
        page += "<ol>";
        for (const Finding& f : shot.findings)
            page += "<li><span class=\"kind\">" + htmlEscaped(f.kind) + "</span> " + htmlEscaped(f.message) + "</li>";
        page += "</ol>";
    }
    page += "</figure></td>";
}

}  // namespace

std::string htmlEscaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string sheetHtml(const Report& report) {
    SheetGrid grid = gridOf(report);
    std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Orvelle matrix</title>\n";
    page += kStyle;
    page += "</head>\n<body>\n<h1>Orvelle matrix</h1>\n<p>" + std::to_string(report.shots.size()) + " shots at " +
            htmlEscaped(report.plan.at) + ": " + std::to_string(report.findings()) + " findings, " +
            std::to_string(report.failed()) + " failed, " + std::to_string(report.changed()) +
            " changed against the baseline.";
    for (const std::string& s : report.plan.settings) page += " <code>" + htmlEscaped(s) + "</code>";
    for (const std::string& p : report.plan.packages) page += " <code>" + htmlEscaped(p) + "</code>";
    page += " <a href=\"report.json\">report.json</a></p>\n<table>\n<tr><th></th>";
    for (const std::string& column : grid.columns) page += "<th>" + htmlEscaped(column) + "</th>";
    page += "</tr>\n";
    for (std::size_t r = 0; r < grid.rows.size(); ++r) {
        page += "<tr><th>" + htmlEscaped(grid.rows[r]) + "</th>";
        for (const Shot* shot : grid.cells[r]) {
            if (shot) cell(page, *shot);
            else page += "<td></td>";
        }
        page += "</tr>\n";
    }
    page += "</table>\n</body>\n</html>\n";
    return page;
}

}  // namespace matrix
