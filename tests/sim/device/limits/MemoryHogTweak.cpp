// A tweak that lets its home screen come up, then allocates without end,
// touching every page it takes, and as careless of a failed allocation as
// such a tweak is.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

__attribute__((constructor)) void allocateForEver() {
    std::thread([] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        constexpr std::size_t kChunk = 8 * 1024 * 1024;
        for (;;) {
            void* chunk = std::malloc(kChunk);
            std::memset(chunk, 0x5a, kChunk);  // NOLINT: a null chunk is this tweak's crash
        }
    }).detach();
}

}  // namespace
