// Drawing a matrix's shots: a device for each screen and version, made once,
// and every shot a headless one-shot on a copy of it with the shot's style,
// locale and settings, drawn in jobs of their own, checked and compared there.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "matrix/Report.h"
#include "matrix/Shard.h"

namespace cli {

struct MatrixRun {
    matrix::Plan plan;
    std::vector<matrix::Combination> shots;  // this run's share
    std::optional<matrix::Shard> shard;
    std::vector<std::filesystem::path> packages;
    std::optional<std::filesystem::path> baseline;  // an earlier run's output folder
    std::string run = "2";  // seconds of the device's clock before each shot
    int jobs = 1;
    std::filesystem::path out;
};

// Draws every shot into the output folder and answers the report (not yet
// written). A shot that cannot be drawn is a shot with its error.
matrix::Report runMatrix(const MatrixRun& run);

// One shot, in a job: drawn on a copy of `base`, its files written to the
// output folder, checked and compared; its record is answered as JSON.
std::string drawShot(const std::filesystem::path& base, const matrix::Combination& combination, const MatrixRun& run);

// A setting "KEY=VALUE" as the value the settings file holds: true/false a
// bool, a whole number an int, another number a real, else a string.
struct Setting {
    std::string key;
    std::string value;
};
std::optional<Setting> parseSetting(const std::string& text);

}  // namespace cli
