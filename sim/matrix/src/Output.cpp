#include "matrix/Output.h"

#include <map>
#include <set>
#include <system_error>

#include "foundation/FileReplace.h"
#include "foundation/RegularFile.h"
#include "graphics/ImageFile.h"
#include "matrix/Sheets.h"

namespace matrix {

namespace fs = std::filesystem;

namespace {

// A dump is a few hundred kilobytes at most.
constexpr std::size_t kLargestDump = 16 * 1024 * 1024;

ns::Result<> realFolder(const fs::path& folder) {
    std::error_code ec;
    auto status = fs::symlink_status(folder, ec);
    if (status.type() == fs::file_type::not_found) {
        fs::create_directories(folder, ec);
        if (ec) return ns::fail("cannot make the folder " + folder.string() + ": " + ec.message());
        return {};
    }
    if (status.type() != fs::file_type::directory) return ns::fail(folder.string() + " is not a folder (or is a link)");
    return {};
}

// A shard's folder, as it is: never made, never a link.
ns::Result<> existingFolder(const fs::path& folder) {
    std::error_code ec;
    if (fs::symlink_status(folder, ec).type() != fs::file_type::directory)
        return ns::fail(folder.string() + " is not a folder (or is a link)");
    return {};
}

// One file of a shard into the merged folder: regular files only, bounded.
ns::Result<> copyInto(const fs::path& shard, const fs::path& out, const std::string& relative, std::size_t largest) {
    fs::path from = shard / relative;
    if (auto folder = existingFolder(from.parent_path()); !folder) return folder;
    auto bytes = ns::readRegularFile(from.string(), largest);
    if (!bytes) return ns::fail(bytes.reason());
    return ns::replaceFile((out / relative).string(), *bytes, ns::Durability::Quick);
}

}  // namespace

ns::Result<> makeOutputFolders(const fs::path& out) {
    std::error_code ec;
    auto status = fs::symlink_status(out, ec);
    if (status.type() == fs::file_type::directory && !fs::is_empty(out, ec)) {
        // An output folder holds the matrix's own files and folders, nothing else.
        const std::set<std::string> own{kReportFile, kSheetHtml, kSheetPng, kShotsFolder, kThumbsFolder, kDiffsFolder};
        for (const auto& entry : fs::directory_iterator(out, ec))
            if (!own.count(entry.path().filename().string()))
                return ns::fail(out.string() + " holds files and is not a matrix's output folder; choose a new folder");
        for (const char* file : {kReportFile, kSheetHtml, kSheetPng}) fs::remove(out / file, ec);
        for (const char* folder : {kShotsFolder, kThumbsFolder, kDiffsFolder}) {
            if (fs::symlink_status(out / folder, ec).type() != fs::file_type::directory) continue;
            for (const auto& entry : fs::directory_iterator(out / folder, ec))
                if (entry.symlink_status(ec).type() == fs::file_type::regular || entry.is_symlink(ec)) fs::remove(entry.path(), ec);
        }
    }
    for (const fs::path& folder : {out, out / kShotsFolder, out / kThumbsFolder, out / kDiffsFolder})
        if (auto made = realFolder(folder); !made) return made;
    return {};
}

ns::Result<> writeReportAndSheets(const Report& report, const fs::path& out) {
    if (auto written = ns::replaceFile((out / kReportFile).string(), reportText(report)); !written) return written;
    if (auto written = ns::replaceFile((out / kSheetHtml).string(), sheetHtml(report)); !written) return written;
    return writeSheetPng(report, out, out / kSheetPng);
}

ns::Result<Report> mergeShards(const std::vector<fs::path>& shards, const fs::path& out) {
    if (shards.empty()) return ns::fail("no shard folder given");
    for (const fs::path& shard : shards) {
        std::error_code ec;
        if (fs::equivalent(shard, out, ec))
            return ns::fail(out.string() + " is one of the shards; the merge goes to a folder of its own");
    }
    std::vector<Report> reports;
    for (const fs::path& shard : shards) {
        auto text = ns::readRegularFile((shard / kReportFile).string(), kLargestReport);
        if (!text) return ns::fail(text.reason());
        auto report = parseReport(*text);
        if (!report) return ns::fail((shard / kReportFile).string() + ": " + report.reason());
        if (!report->shard) return ns::fail((shard / kReportFile).string() + " is the report of a whole run, not of a shard");
        reports.push_back(std::move(*report));
    }
    const std::string plan = planJson(reports.front().plan).dump();
    const int count = reports.front().shard->count;
    std::map<int, std::size_t> byIndex;
    for (std::size_t i = 0; i < reports.size(); ++i) {
        if (planJson(reports[i].plan).dump() != plan)
            return ns::fail(shards[i].string() + " is a shard of another matrix than " + shards.front().string());
        if (reports[i].shard->count != count)
            return ns::fail(shards[i].string() + " is shard " + shardText(*reports[i].shard) + ", not one of " +
                            std::to_string(count));
        if (!byIndex.emplace(reports[i].shard->index, i).second)
            return ns::fail("shard " + shardText(*reports[i].shard) + " is given twice");
    }
    for (int index = 1; index <= count; ++index)
        if (!byIndex.count(index))
            return ns::fail("shard " + std::to_string(index) + "/" + std::to_string(count) + " is missing");

    auto all = combinations(reports.front().plan.choice);
    if (!all) return ns::fail(all.reason());
    std::map<std::string, std::pair<const Shot*, std::size_t>> found;  // name: the shot and its shard
    for (std::size_t i = 0; i < reports.size(); ++i) {
        std::map<std::string, bool> share;
        for (const Combination& c : shareOf(*all, *reports[i].shard)) share[c.name()] = true;
        for (const Shot& shot : reports[i].shots) {
            if (!share.count(shot.combination.name()))
                return ns::fail(shards[i].string() + " holds " + shot.combination.name() + ", which is not its share");
            found[shot.combination.name()] = {&shot, i};
        }
    }
    // Every file a shot needs is checked before anything is written.
    auto filesOf = [](const Shot& shot) {
        std::vector<std::string> files;
        if (shot.error.empty()) files = {shot.image(), shot.thumb(), shot.dump()};
        if (shot.comparison && shot.comparison->status == "different") files.push_back(shot.diff());
        return files;
    };
    for (const auto& [name, where] : found)
        for (const std::string& file : filesOf(*where.first)) {
            const fs::path from = shards[where.second] / file;
            if (auto folder = existingFolder(from.parent_path()); !folder) return ns::fail(folder.reason());
            std::error_code ec;
            if (fs::symlink_status(from, ec).type() != fs::file_type::regular)
                return ns::fail(from.string() + " is not a regular file (or is a link)");
        }
    if (auto made = makeOutputFolders(out); !made) return ns::fail(made.reason());
    Report merged;
    merged.plan = reports.front().plan;
    for (const Combination& c : *all) {
        auto it = found.find(c.name());
        if (it == found.end()) return ns::fail("no shard holds the shot " + c.name());
        const Shot& shot = *it->second.first;
        const fs::path& shard = shards[it->second.second];
        if (shot.error.empty()) {
            for (const std::string& file : {shot.image(), shot.thumb()})
                if (auto copied = copyInto(shard, out, file, cg::kLargestImageFile); !copied) return ns::fail(copied.reason());
            if (auto copied = copyInto(shard, out, shot.dump(), kLargestDump); !copied) return ns::fail(copied.reason());
        }
        if (shot.comparison && shot.comparison->status == "different")
            if (auto copied = copyInto(shard, out, shot.diff(), cg::kLargestImageFile); !copied) return ns::fail(copied.reason());
        merged.shots.push_back(shot);
    }
    return merged;
}

}  // namespace matrix
