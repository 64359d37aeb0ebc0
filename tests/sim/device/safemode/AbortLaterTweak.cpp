// A tweak that lets its home screen come up, then takes it down six seconds
// after it loaded.
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

__attribute__((constructor)) void abortLater() {
    std::thread([] {
        std::this_thread::sleep_for(std::chrono::seconds(6));
        std::abort();
    }).detach();
}

}  // namespace
