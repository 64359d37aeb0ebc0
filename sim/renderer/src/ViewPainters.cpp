#include "renderer/ViewPainters.h"

#include <map>
#include <mutex>

namespace render {

namespace {
std::mutex lock;
std::map<std::string, ViewPainter>& painters() {
    static auto* table = new std::map<std::string, ViewPainter>;  // lives as long as the process
    return *table;
}
}  // namespace

void registerViewPainter(const std::string& className, ViewPainter painter) {
    std::lock_guard guard(lock);
    if (painter)
        painters()[className] = std::move(painter);
    else
        painters().erase(className);
}

ViewPainter painterFor(const id& view) {
    if (!view) return {};
    std::lock_guard guard(lock);
    auto& table = painters();
    if (table.empty()) return {};
    for (rt::Class* c = view->isa; c; c = c->superclass())
        if (auto it = table.find(c->name()); it != table.end()) return it->second;
    return {};
}

}  // namespace render
