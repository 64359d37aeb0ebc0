// One shot of a matrix, drawn and checked inside its job.
#include <charconv>

#include "MatrixRun.h"
#include "OneShot.h"
#include "device/DeviceFiles.h"
#include "foundation/Conversions.h"
#include "foundation/FileReplace.h"
#include "foundation/PropertyList.h"
#include "foundation/RegularFile.h"
#include "graphics/ImageFile.h"
#include "matrix/BoundedJson.h"
#include "matrix/LayoutCheck.h"
#include "matrix/PixelDiff.h"
#include "matrix/Sheets.h"
#include "matrix/SheetDrawing.h"
#include "wire/Failure.h"

namespace cli {

namespace fs = std::filesystem;

namespace {

// A dump is a few hundred kilobytes; a view tree nests a few dozen deep.
constexpr std::size_t kLargestDump = 16 * 1024 * 1024;
constexpr int kDeepestDump = 3 * matrix::kDeepestViews + 16;

id settingValue(const std::string& text) {
    if (text == "true" || text == "false") return NSNum(text == "true");
    long long whole = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), whole);
    if (!text.empty() && ec == std::errc{} && end == text.data() + text.size()) return NSNum(static_cast<std::int64_t>(whole));
    if (auto real = ns::parseFiniteNumber(text); real && !text.empty()) return NSNum(*real);
    return NSStr(text);
}

void write(const sim::DeviceFiles& files, const fs::path& file, const id& dictionary) {
    std::string xml = ns::xmlData(dictionary);
    if (auto written = files.replace(file, xml); !written) throw sim::Failure(written.reason());
}

// The copy as the shot wants it: the panel on in the shot's style with the
// run's settings over it, the update notice already seen, the dark wallpaper.
void prepare(const sim::Device& copy, const matrix::Combination& c, const MatrixRun& run) {
    sim::DeviceFiles files(copy);
    id settings = NSDictionaryNew();
    auto dict = rt::cast<NSMutableDictionary>(settings);
    dict->setObject(NSNum(true), "enableOVS");
    dict->setObject(NSNum(static_cast<std::int64_t>(c.clockStyle())), "clockStyle");
    for (const std::string& text : run.plan.settings)
        if (auto s = parseSetting(text)) dict->setObject(settingValue(s->value), s->key);
    write(files, copy.settingsFile(), settings);
    if (auto seen = files.replace(copy.preferencesFolder() / "com.tovik.installorvellehasbeenupdated140.plist", ""); !seen)
        throw sim::Failure(seen.reason());
}

matrix::Pixels pixelsOf(const CGImageRef& image) {
    return image ? matrix::Pixels{image->width, image->height, image->rgba.data()} : matrix::Pixels{};
}

std::optional<matrix::Comparison> compare(const CGImageRef& shot, const matrix::Shot& record, const MatrixRun& run) {
    if (!run.baseline) return std::nullopt;
    fs::path reference = *run.baseline / record.image();
    std::error_code ec;
    if (fs::symlink_status(reference, ec).type() == fs::file_type::not_found) return matrix::Comparison{"new", 0};
    auto baseline = cg::loadImageFile(reference.string());
    if (!baseline) throw sim::Failure("the baseline's " + baseline.reason());
    matrix::PixelDifference difference = matrix::comparePixels(*shot, **baseline, 0);
    if (!difference.error.empty()) {
        // Another size differs everywhere.
        difference.different = static_cast<long long>(shot->width * shot->height);
        difference.picture = cg::makeFlatImage(shot->width, shot->height, 255, 0, 0, 255);
    }
    if (difference.different == 0) return matrix::Comparison{"same", 0};
    if (auto written = cg::writePNG(difference.picture, (run.out / record.diff()).string()); !written)
        throw sim::Failure(written.reason());
    return matrix::Comparison{"different", difference.different};
}

}  // namespace

std::optional<Setting> parseSetting(const std::string& text) {
    std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) return std::nullopt;
    return Setting{text.substr(0, equals), text.substr(equals + 1)};
}

std::string drawShot(const fs::path& base, const matrix::Combination& c, const MatrixRun& run) {
    matrix::Shot record;
    record.combination = c;
    OneShotOptions options;
    options.at = run.plan.at;
    options.run = run.run;
    options.locale = c.locale;
    options.timeZone = "UTC";
    options.prepare = [&](const sim::Device& copy) { prepare(copy, c, run); };
    const fs::path image = run.out / record.image();
    std::string dumpText = oneShotDumpAndScreenshot(sim::Device(base), options, image.string());
    if (auto written = ns::replaceFile((run.out / record.dump()).string(), dumpText + "\n", ns::Durability::Quick); !written)
        throw sim::Failure(written.reason());

    auto dump = matrix::boundedJson(dumpText, kLargestDump, kDeepestDump, "the dump of " + c.name());
    if (!dump) throw sim::Failure(dump.reason());
    auto scene = matrix::sceneOf(*dump);
    if (!scene) throw sim::Failure("the dump of " + c.name() + ": " + scene.reason());
    auto shot = cg::loadImageFile(image.string());
    if (!shot) throw sim::Failure(shot.reason());
    record.findings = matrix::checkLayout(*scene, pixelsOf(*shot));
    CGImageRef thumb = matrix::scaledTo(**shot, matrix::kThumbHeight);
    if (auto written = cg::writePNG(thumb, (run.out / record.thumb()).string()); !written) throw sim::Failure(written.reason());
    record.comparison = compare(*shot, record, run);
    return matrix::shotJson(record).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace cli
