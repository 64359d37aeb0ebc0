// The output folder of a matrix: the shots, their dumps, thumbnails and
// difference pictures in their folders, and the report and the two sheets
// written from them.
#pragma once

#include <filesystem>
#include <vector>

#include "foundation/Result.h"
#include "matrix/Report.h"

namespace matrix {

// Makes the folder and its shots, thumbs and diffs folders. An empty folder
// is used; an earlier matrix's output (it has a report.json) is emptied of
// what a run writes first, so nothing of it is taken for this run's; any
// other folder with files, or a link in the place of one, is refused.
ns::Result<> makeOutputFolders(const std::filesystem::path& out);

// report.json, sheet.html and sheet.png from the report and the thumbnails.
ns::Result<> writeReportAndSheets(const Report& report, const std::filesystem::path& out);

// The shards' reports and files joined in `out` as one run would have left
// them: the shards must be all N of one plan, each once. Nothing a shard
// holds is followed through a link or read beyond its bounds; a failure
// names the shard and what is wrong.
ns::Result<Report> mergeShards(const std::vector<std::filesystem::path>& shards, const std::filesystem::path& out);

}  // namespace matrix
