// The matrix's report, report.json in its output folder: what was asked, and
// for every shot its combination, its files, the layout check's findings,
// why it could not be drawn, and how it compares with a baseline. A shard's
// report also says which shard it is; a merged one is the report of one run.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "foundation/Result.h"
#include "matrix/Combinations.h"
#include "matrix/Findings.h"
#include "matrix/Shard.h"

namespace matrix {

inline constexpr const char* kReportFormat = "orvelle-matrix 1";

// Files of an output folder.
inline constexpr const char* kReportFile = "report.json";
inline constexpr const char* kShotsFolder = "shots";
inline constexpr const char* kDiffsFolder = "diffs";
inline constexpr const char* kThumbsFolder = "thumbs";
inline constexpr const char* kSheetHtml = "sheet.html";
inline constexpr const char* kSheetPng = "sheet.png";

// What the run was asked: the same on every shard of one matrix.
struct Plan {
    MatrixChoice choice;  // resolved: every list given in full
    std::string at;       // the shots' instant
    std::string run = "2";  // seconds of the device's clock before each shot
    std::vector<std::string> settings;  // "KEY=VALUE", in order
    std::vector<std::string> packages;  // each package's file name and SHA-256
};

struct Comparison {
    std::string status;  // "same", "different" or "new" (no such shot in the baseline)
    long long differentPixels = 0;
};

struct Shot {
    Combination combination;
    std::string error;  // empty: drawn
    std::vector<Finding> findings;
    std::optional<Comparison> comparison;

    std::string image() const;  // "shots/NAME.png"
    std::string dump() const;   // "shots/NAME.json"
    std::string diff() const;   // "diffs/NAME.png"
    std::string thumb() const;  // "thumbs/NAME.png"
};

struct Report {
    Plan plan;
    std::optional<Shard> shard;
    std::vector<Shot> shots;

    std::size_t findings() const;
    std::size_t failed() const;
    std::size_t changed() const;  // different or new
};

nlohmann::ordered_json planJson(const Plan& plan);
nlohmann::ordered_json shotJson(const Shot& shot);
// The report as it is written: two-space indented, one newline at the end.
std::string reportText(const Report& report);

// The largest report read.
inline constexpr std::size_t kLargestReport = 64 * 1024 * 1024;
// The most findings a shot records: a screen with more is wrong everywhere.
inline constexpr std::size_t kMostFindings = 50;

// One shot's record (as shotJson writes it) for the combination it must name.
ns::Result<Shot> shotFromJson(const std::string& text, const Combination& combination);

// A report read back (a shard's, or a baseline's): everything checked, the
// shots' names among those its plan makes. A failure says what is wrong.
ns::Result<Report> parseReport(const std::string& text);

}  // namespace matrix
