// The page's files built into the program (generated from sim/web/static),
// and what the build made for it (the protocol library, the wire's messages).
#pragma once

#include <cstddef>

namespace web::detail {
struct EmbeddedFile {
    const char* name;
    const unsigned char* data;
    std::size_t size;
    bool built;  // made by the build, never taken from a folder being edited
};
extern const EmbeddedFile kPageFiles[];
extern const std::size_t kPageFileCount;
}  // namespace web::detail
