// JSON from outside the tool (a device's dump, a shard's report): its size
// and nesting bounded before the parser sees it, so no input can exhaust the
// stack or the memory of whoever reads it.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "foundation/Result.h"

namespace matrix {

// A failure names `what` and the bound passed, or says it is not JSON.
ns::Result<nlohmann::ordered_json> boundedJson(const std::string& text, std::size_t largest, int deepest,
                                               const std::string& what);

}  // namespace matrix
