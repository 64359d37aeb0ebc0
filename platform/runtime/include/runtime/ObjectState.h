// The C++ object behind a runtime object: making one with its class set, and
// reaching its state from a method's receiver.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "runtime/Class.h"

namespace rt {

// A new object of C++ type T whose class is `cls`, as [cls alloc] would make
// it when T is the class's C++ type. Nothing of the class's own init runs.
template <class T, class... Args>
std::shared_ptr<T> make(Class* cls, Args&&... args) {
    auto object = std::make_shared<T>(std::forward<Args>(args)...);
    object->isa = cls;
    return object;
}
// The same by class name; a class the process lacks is a programmer error.
template <class T, class... Args>
std::shared_ptr<T> make(std::string_view className, Args&&... args) {
    Class* cls = objc_getClass(className);
    if (!cls) throw Error("no class named " + std::string(className) + " in this process");
    return make<T>(cls, std::forward<Args>(args)...);
}

// The C++ state behind the receiver of `sel`; a receiver of another C++ type
// is a programmer error naming the receiver's class and the selector.
template <class T>
T& state(const id& self, SEL sel) {
    if (T* p = dynamic_cast<T*>(self.get())) return *p;
    const bool meta = self && self->isa && self->isa->isMetaclass();
    throw Error(std::string(meta ? "+[" : "-[") + (self && self->isa ? self->isa->name() : "nil") + " " +
                sel_getName(sel) + "]: the receiver is not backed by the C++ state this method needs");
}
template <class T>
T& state(const id& self, std::string_view selName) {
    if (T* p = dynamic_cast<T*>(self.get())) return *p;  // the name is interned only for the error
    return state<T>(self, sel_registerName(selName));
}

}  // namespace rt
