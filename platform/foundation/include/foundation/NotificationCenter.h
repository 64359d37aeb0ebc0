// The process's default notification centre: synchronous delivery on the
// posting thread, observers by selector, kept for the life of the process.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "foundation/Objects.h"

namespace ns {

class NotificationCenter {
public:
    // addObserver:selector:name:object: with no object filter. The selector
    // receives the notification when it takes an argument (an NSNotification
    // whose `object` is the poster's object).
    void addObserver(const id& observer, SEL selector, const std::string& name);
    // Delivers to each observer in the order they were added; one that throws
    // is logged (naming it) and the others still get the notification.
    void post(const std::string& name, const id& object);
    std::size_t observerCount(const std::string& name) const;
    // Lets go of every observer (the process is ending).
    void removeAllObservers();

private:
    struct Observation {
        id observer;  // strong: observers live as long as the process
        SEL selector;
        std::string name;
    };
    mutable std::mutex mutex_;
    std::vector<Observation> observations_;
};

// [NSNotificationCenter defaultCenter] of the current process (foundation/Process.h).
NotificationCenter& defaultCenter();
void addObserver(const id& observer, SEL selector, const std::string& name);
void postNotification(const std::string& name, const id& object);
std::size_t observerCount(const std::string& name);

}  // namespace ns

class NSNotification final : public rt::Object {
public:
    std::string name;
    id object;
};

namespace ns {
inline constinit const rt::Msg<id()> name{"name"};
inline constinit const rt::Msg<id()> object{"object"};  // the poster's object
}  // namespace ns
