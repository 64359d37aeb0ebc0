// A request and its answer for a program that may wait (a verb of the tool,
// not a server): the frames are written, then frames are read until one is
// the answer, all within a deadline.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "foundation/Result.h"

namespace wire {

// Writes `outgoing` (whole frames) to the connected socket `fd`, then reads
// frames until `isAnswer` takes one, which it answers. Fails at the deadline,
// when the peer goes, or on a frame over `largest`.
ns::Result<std::string> exchange(int fd, std::string_view outgoing,
                                 const std::function<bool(std::string_view frame)>& isAnswer, double timeoutSeconds,
                                 std::size_t largest);

}  // namespace wire
