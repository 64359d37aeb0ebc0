// The process's default notification centre: synchronous delivery on the
// posting thread, observers by selector, kept for the life of the process.
#pragma once

#include <string>

#include "foundation/Objects.h"

namespace ns {

// [[NSNotificationCenter defaultCenter] addObserver:selector:name:object:] with
// no object filter. The selector receives the notification object when it takes
// an argument (an NSNotification whose `object` is the poster's object).
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
