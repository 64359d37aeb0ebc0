#include "foundation/NotificationCenter.h"

#include "foundation/Log.h"
#include "foundation/Process.h"
#include "runtime/ObjectState.h"

namespace ns {

namespace {

id notificationName(id self, SEL) { return NSStr(rt::cast<NSNotification>(self)->name); }
id notificationObject(id self, SEL) { return rt::cast<NSNotification>(self)->object; }

__attribute__((constructor)) void registerNotificationMethods() {
    registerFoundationClasses();
    rt::Class* cls = rt::objc_getClass("NSNotification");
    rt::defineMethod(cls, name, &notificationName);
    rt::defineMethod(cls, object, &notificationObject);
}

}  // namespace

void NotificationCenter::addObserver(const id& observer, SEL selector, const std::string& name) {
    if (!observer || !selector) return;
    std::lock_guard lock(mutex_);
    observations_.push_back({observer, selector, name});
}

void NotificationCenter::post(const std::string& name, const id& object) {
    std::vector<Observation> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& o : observations_)
            if (o.name == name) matching.push_back(o);
    }
    if (matching.empty()) return;
    registerFoundationClasses();
    auto note = rt::make<NSNotification>("NSNotification");
    note->name = name;
    note->object = object;
    // Delivered outside the lock: a handler may post or observe in turn.
    for (const auto& o : matching) {
        try {
            rt::sendAction(o.observer, o.selector, note);
        } catch (const std::exception& e) {
            logLine("NSNotificationCenter: observer -[" + (o.observer->isa ? o.observer->isa->name() : "?") + " " +
                    rt::sel_getName(o.selector) + "] of \"" + name + "\" threw: " + e.what() +
                    "; the other observers still get it");
        }
    }
}

std::size_t NotificationCenter::observerCount(const std::string& name) const {
    std::lock_guard lock(mutex_);
    std::size_t n = 0;
    for (const auto& o : observations_) n += o.name == name;
    return n;
}

void NotificationCenter::removeAllObservers() {
    std::vector<Observation> gone;
    {
        std::lock_guard lock(mutex_);
        gone.swap(observations_);
    }
}

NotificationCenter& defaultCenter() { return Process::current().notificationCenter(); }
void addObserver(const id& observer, SEL selector, const std::string& name) {
    defaultCenter().addObserver(observer, selector, name);
}
void postNotification(const std::string& name, const id& object) { defaultCenter().post(name, object); }
std::size_t observerCount(const std::string& name) { return defaultCenter().observerCount(name); }

}  // namespace ns
