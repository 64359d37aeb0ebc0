// Replacing a file whole: a reader (a running program, a browser) sees the old
// file or the new one, never half of one.
#pragma once

#include <filesystem>
#include <string>

namespace sim {

// Copies `from` beside `to`, then renames it over `to`, making the folder when
// needed. Fails with both paths and the reason, leaving `to` as it was.
void replaceFileWith(const std::filesystem::path& from, const std::filesystem::path& to, const std::string& what = "copy");

}  // namespace sim
