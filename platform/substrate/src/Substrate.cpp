#include "substrate/Substrate.h"

#include <cstdio>
#include <mutex>

namespace substrate {

void warn(const std::string& message) { std::fprintf(stderr, "MS:Warning: %s\n", message.c_str()); }

namespace {
struct HookRegistry {
    std::mutex mutex;
    std::vector<InstalledHook> hooks;
};
// Never destroyed: libraries may still hook while the process exits.
HookRegistry& registry() {
    static auto* r = new HookRegistry;
    return *r;
}
}  // namespace

void recordHook(const rt::Class* cls, rt::SEL sel) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.hooks.push_back({cls->name(), sel->name});
}

std::vector<InstalledHook> installedHooks() {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    return r.hooks;
}

}  // namespace substrate
