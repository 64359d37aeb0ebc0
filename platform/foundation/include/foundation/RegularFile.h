// Reading a file that someone else may have put in place: only a regular
// file is read, a FIFO or a device standing in its place is refused at once
// rather than waited on, and the read is bounded before it starts and while
// it runs (the file may grow as it is read).
#pragma once

#include <cstddef>
#include <string>

#include "foundation/Result.h"
#include "foundation/UniqueFd.h"

namespace ns {

enum class Links { Refused, Followed };

// The file opened for reading (blocking from here on), or why not.
Result<UniqueFd> openRegularFile(const std::string& path, Links links = Links::Refused);

// The file's bytes, or why not (naming the file). `links`: whether a link at
// `path` itself is followed.
Result<std::string> readRegularFile(const std::string& path, std::size_t limit, Links links = Links::Refused);

}  // namespace ns
