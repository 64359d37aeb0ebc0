// The first message each way on a connection, and what a peer's says.
#pragma once

#include <string>

#include "foundation/Result.h"
#include "wire/common.pb.h"

namespace wire {

Hello hello(const std::string& peer);
// Fails, naming the peer and both versions, when it speaks another version.
ns::Result<> checkHello(const Hello& theirs);

}  // namespace wire
