// The page's files built into the program (generated from sim/web/static).
#pragma once

#include <cstddef>

namespace web::detail {
struct EmbeddedFile {
    const char* name;
    const unsigned char* data;
    std::size_t size;
};
extern const EmbeddedFile kPageFiles[];
extern const std::size_t kPageFileCount;
}  // namespace web::detail
