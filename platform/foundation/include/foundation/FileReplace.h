// Replacing a file whole: a reader (another program, a browser, the tool)
// sees the old file or the new one, never part of one, and a crash in the
// middle leaves the old one.
#pragma once

#include <string>
#include <string_view>

#include "foundation/Result.h"

namespace ns {

// Whether the new file reaches the disk before the rename: a file that is
// rewritten many times a second (a live frame) need not survive a power cut.
enum class Durability { Flushed, Quick };

// Writes `bytes` to a new file in the same folder, flushes it and renames it
// over `path`. The file keeps the old one's permissions (a new one gets
// rw-rw-rw- less the umask). A link at `path` is replaced, never followed. On
// failure `path` is as it was and the reason names the file.
Result<> replaceFile(const std::string& path, std::string_view bytes, Durability durability = Durability::Flushed);

// The same for `name` (no slash) in an open folder.
Result<> replaceFileAt(int folder, const std::string& name, std::string_view bytes, const std::string& shownPath,
                       Durability durability = Durability::Flushed);

// Removes the temporary files that replacements of `path` cut short (a
// writer killed between making its temporary and renaming it) left beside
// it; answers how many. Only with the lock every writer of `path` takes
// held, so no writer's temporary is in use. Regular files only; a link or
// folder of that name is left alone.
Result<std::size_t> removeLeftTemporaries(const std::string& path);

}  // namespace ns
