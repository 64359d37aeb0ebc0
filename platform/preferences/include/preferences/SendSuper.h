// [super message]: the implementation the superclass of `cls` answers with,
// where `cls` is the class whose method is running (not the receiver's class).
#pragma once

#include <string>
#include <utility>

#include "runtime/Messaging.h"

namespace ps {

template <class Sig, class... Args>
auto sendSuper(rt::Class* cls, const id& self, std::string_view selName, Args&&... args) {
    SEL sel = rt::sel_registerName(selName);
    rt::Class* super = cls ? cls->superclass() : nullptr;
    rt::Method* m = super ? super->lookup(sel) : nullptr;
    if (!m) rt::unrecognizedSelector(self, sel);
    return [&]<class Ret, class... A>(Ret (*)(A...)) -> Ret {
        auto imp = rt::typedImp<Ret(A...)>(super, sel, *m);
        return imp(self, sel, static_cast<A>(std::forward<Args>(args))...);
    }(static_cast<Sig*>(nullptr));
}

}  // namespace ps
