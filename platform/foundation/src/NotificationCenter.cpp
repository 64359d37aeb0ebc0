#include "foundation/NotificationCenter.h"

#include <mutex>
#include <vector>

namespace ns {

namespace {

struct Observation {
    id observer;  // strong: observers live as long as the process
    SEL selector;
    std::string name;
};

struct Center {
    std::mutex mutex;
    std::vector<Observation> observations;
};

Center& defaultCenter() {
    static Center* center = new Center;  // never destroyed: observers outlive static destructors
    return *center;
}

id notificationName(id self, SEL) { return NSStr(rt::cast<NSNotification>(self)->name); }
id notificationObject(id self, SEL) { return rt::cast<NSNotification>(self)->object; }

__attribute__((constructor)) void registerNotificationMethods() {
    registerFoundationClasses();
    rt::Class* cls = rt::objc_getClass("NSNotification");
    rt::defineMethod(cls, name, &notificationName);
    rt::defineMethod(cls, object, &notificationObject);
}

}  // namespace

void addObserver(const id& observer, SEL selector, const std::string& name) {
    if (!observer || !selector) return;
    auto& c = defaultCenter();
    std::lock_guard lock(c.mutex);
    c.observations.push_back({observer, selector, name});
}

void postNotification(const std::string& name, const id& object) {
    std::vector<Observation> matching;
    {
        auto& c = defaultCenter();
        std::lock_guard lock(c.mutex);
        for (const auto& o : c.observations)
            if (o.name == name) matching.push_back(o);
    }
    if (matching.empty()) return;
    registerFoundationClasses();
    auto note = rt::make<NSNotification>("NSNotification");
    note->name = name;
    note->object = object;
    // Delivered outside the lock: a handler may post or observe in turn.
    for (const auto& o : matching) rt::sendAction(o.observer, o.selector, note);
}

std::size_t observerCount(const std::string& name) {
    auto& c = defaultCenter();
    std::lock_guard lock(c.mutex);
    std::size_t n = 0;
    for (const auto& o : c.observations) n += o.name == name;
    return n;
}

}  // namespace ns
