// Method hooking as the device's code-injection platform does it.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "runtime/Messaging.h"

namespace substrate {

void warn(const std::string& message);  // "MS:Warning: ..." on standard error

// One method replaced by MSHookMessageEx in this process.
struct InstalledHook {
    std::string className;
    std::string selector;
    friend bool operator==(const InstalledHook&, const InstalledHook&) = default;
};
// Every hook installed so far, in installation order (a method hooked twice
// appears twice). Thread-safe.
std::vector<InstalledHook> installedHooks();
void recordHook(const rt::Class* cls, rt::SEL sel);

// Stock pointers of inherited methods: a forwarder that looks the superclass's
// implementation up at every call, so later changes to the superclass are seen.
// Plain function pointers cannot carry the class, so each signature has a pool
// of forwarders, one slot per hooked class.
template <class Sig>
struct Forwarders;
template <class R, class... A>
struct Forwarders<R(A...)> {
    static constexpr std::size_t kSlots = 64;
    static inline std::array<rt::Class*, kSlots> owners{};
    static inline std::size_t used = 0;

    template <std::size_t N>
    static R forward(rt::id self, rt::SEL sel, A... args) {
        rt::Class* super = owners[N]->superclass();
        rt::Method* m = super ? super->lookup(sel) : nullptr;
        if (!m) rt::unrecognizedSelector(self, sel);
        return rt::typedImp<R(A...)>(super, sel, *m)(std::move(self), sel, std::forward<A>(args)...);
    }

    template <std::size_t... N>
    static constexpr auto table(std::index_sequence<N...>) {
        return std::array<R (*)(rt::id, rt::SEL, A...), kSlots>{&forward<N>...};
    }

    static R (*take(rt::Class* owner))(rt::id, rt::SEL, A...) {
        static constexpr auto all = table(std::make_index_sequence<kSlots>{});
        if (used == kSlots)
            throw rt::Error("MSHookMessageEx: no forwarder left for another inherited hook of signature " +
                            rt::demangledSignature(typeid(R(A...))));
        owners[used] = owner;
        return all[used++];
    }
};

}  // namespace substrate

// Replaces `sel` on `cls` with `replacement`; `*result` receives the stock
// implementation. A selector the class defines itself is replaced in place; one it
// only inherits gets an override on this class alone. A missing class, selector or
// replacement warns and changes nothing, leaving `*result` as it was. A hook whose
// signature differs from the method's is refused with an error.
template <class R, class... A>
void MSHookMessageEx(rt::Class* cls, rt::SEL sel, R (*replacement)(rt::id, rt::SEL, A...),
                     R (**result)(rt::id, rt::SEL, A...)) {
    using Sig = R(A...);
    if (!cls) return substrate::warn("nil class argument");
    if (!sel) return substrate::warn("nil sel argument");
    if (!replacement) return substrate::warn("nil imp argument");
    rt::Method* found = cls->lookup(sel);
    if (!found) return substrate::warn("message not found [" + cls->name() + " " + sel->name + "]");
    auto stock = rt::typedImp<Sig>(cls, sel, *found);  // refuses a wrong signature before anything changes
    rt::Method hooked{reinterpret_cast<rt::IMP>(replacement), typeid(Sig), found->types};
    if (cls->ownMethod(sel)) {
        if (result) *result = stock;
    } else {
        auto forwarder = substrate::Forwarders<Sig>::take(cls);
        if (result) *result = forwarder;
    }
    cls->setMethod(sel, std::move(hooked));
    substrate::recordHook(cls, sel);
}
