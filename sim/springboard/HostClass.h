// Host classes are described by tables: the class, its superclass, the C++
// type behind its instances, and its stock methods, each with the system
// versions that have it.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "foundation/Objects.h"

namespace springboard {

// Major system versions [from, until).
struct Versions {
    int from = 0;
    int until = 1000;
    bool has(int major) const { return major >= from && major < until; }
};
inline constexpr Versions kAllVersions{};
inline constexpr Versions kFrom11{11, 1000};
inline constexpr Versions kBefore11{0, 11};

struct HostMethod {
    const char* selector;
    void (*define)(rt::Class* cls, std::string_view selector);
    Versions versions = kAllVersions;
    bool classMethod = false;
};

template <auto Imp>
HostMethod method(const char* selector, Versions versions = kAllVersions) {
    return {selector, [](rt::Class* cls, std::string_view sel) { rt::defineMethod(cls, sel, Imp); }, versions};
}

struct HostClass {
    const char* name;
    const char* superclass;
    rt::Class::Factory factory;  // empty: the superclass's
    std::vector<HostMethod> methods;
    Versions versions = kAllVersions;
};

// Registers the classes that the running system version has, in table order
// (superclasses first), each with the methods of that version.
void registerHostClasses(const std::vector<HostClass>& table, int majorVersion);

// Calls the implementation that `cls`'s superclass has for `sel`: the stock
// methods of a host class run the toolkit's behaviour first.
template <class Sig, class... Args>
auto callSuper(rt::Class* cls, const id& self, SEL sel, Args&&... args) {
    rt::Class* super = cls->superclass();
    rt::Method* m = super ? super->lookup(sel) : nullptr;
    if (!m) rt::unrecognizedSelector(self, sel);
    return [&]<class R, class... A>(R (*)(A...)) -> R {
        return rt::typedImp<R(A...)>(super, sel, *m)(self, sel, static_cast<A>(std::forward<Args>(args))...);
    }(static_cast<Sig*>(nullptr));
}

// The state of a host object of C++ type T (the factory's type).
template <class T>
T& stateOf(const id& self) {
    auto* p = dynamic_cast<T*>(self.get());
    if (!p) throw rt::Error(std::string("host object of class ") + (self && self->isa ? self->isa->name() : "nil") +
                            " lacks its state");
    return *p;
}

// Each group's table.
std::vector<HostClass> applicationClasses();
std::vector<HostClass> dashBoardClasses();
std::vector<HostClass> dateViewClasses();
std::vector<HostClass> chromeClasses();
std::vector<HostClass> weatherClasses();

// Every group, in dependency order.
void registerAllHostClasses(int majorVersion);

}  // namespace springboard
