// Sending messages: typed, looked up at call time, nothing answers zero.
#pragma once

#include <type_traits>
#include <utility>

#include "runtime/Class.h"

namespace rt {

// Sends `sel` to `receiver` with signature Sig (e.g. void(double)). A message to
// nothing does nothing and answers the zero value of the result type.
template <class Sig, class... Args>
auto send(const id& receiver, SEL sel, Args&&... args) {
    using R = typename std::function<Sig>::result_type;
    if (!receiver) {
        if constexpr (std::is_void_v<R>) return;
        else return R{};
    }
    Class* cls = receiver->isa;
    Method* m = cls ? cls->lookup(sel) : nullptr;
    if (!m) unrecognizedSelector(receiver, sel);
    return [&]<class Ret, class... A>(Ret (*)(A...)) -> Ret {
        auto imp = typedImp<Ret(A...)>(cls, sel, *m);
        return imp(receiver, sel, static_cast<A>(std::forward<Args>(args))...);
    }(static_cast<Sig*>(nullptr));
}

template <class Sig, class... Args>
auto send(const id& receiver, std::string_view selName, Args&&... args) {
    return send<Sig>(receiver, sel_registerName(selName), std::forward<Args>(args)...);
}

// Class messages go to the class object.
template <class Sig, class... Args>
auto sendClass(Class* cls, std::string_view selName, Args&&... args) {
    id receiver = cls ? cls->self() : id{};
    return send<Sig>(receiver, sel_registerName(selName), std::forward<Args>(args)...);
}

bool respondsToSelector(const id& receiver, SEL sel);
inline bool respondsToSelector(const id& receiver, std::string_view name) {
    return respondsToSelector(receiver, sel_registerName(name));
}
bool isKindOfClass(const id& object, const Class* cls);
bool isKindOfClass(const id& object, std::string_view className);

// [cls alloc] and [[cls alloc] init]; both answer nothing for no class.
id alloc(Class* cls);
id allocInit(Class* cls);
inline id allocInit(std::string_view className) { return allocInit(objc_getClass(className)); }

// Target-action: sends `action` to `target`, with `sender` when the selector
// takes an argument. Nothing happens for no target.
void sendAction(const id& target, SEL action, const id& sender);

// Key-value setting where the class offers the key (setKey:); an unknown key is
// an error, as NSUndefinedKeyException on the device.
void setValueForKey(const id& object, const id& value, std::string_view key);
id valueForKey(const id& object, std::string_view key);

// A method by selector name, where the name is data (tests make classes of
// their own so); the layers define theirs with their message constants.
template <class R, class... A>
void defineMethod(Class* cls, std::string_view selName, R (*imp)(id, SEL, A...)) {
    cls->setMethod(sel_registerName(selName),
                   Method{reinterpret_cast<IMP>(imp), typeid(R(A...)), encodingOf<R(A...)>()});
}

// The root class every registered class descends from.
Class* NSObjectClass();

}  // namespace rt
