// Host classes are described by tables: the class, its superclass, the C++
// type behind its instances, and its stock methods, each with the system
// versions that have it.
#pragma once

#include <functional>
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

// A stock method: it defines itself on the class being registered.
struct HostMethod {
    std::function<void(rt::Class* cls)> define;
    Versions versions = kAllVersions;
};

// The implementation's type must be the message's, or the table does not compile.
template <auto Imp, class Sig>
HostMethod method(const rt::Msg<Sig>& message, Versions versions = kAllVersions) {
    return {[&message](rt::Class* cls) { rt::defineMethod(cls, message, Imp); }, versions};
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

// Each group's table.
std::vector<HostClass> applicationClasses();
std::vector<HostClass> dashBoardClasses();
std::vector<HostClass> dateViewClasses();
std::vector<HostClass> chromeClasses();
std::vector<HostClass> weatherClasses();
std::vector<HostClass> platterClasses();
std::vector<HostClass> mediaClasses();
std::vector<HostClass> controlClasses();

// Every group, in dependency order.
void registerAllHostClasses(int majorVersion);

}  // namespace springboard
