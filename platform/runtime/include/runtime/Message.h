// Typed messages: a selector together with the C++ signature of its method,
// declared once in the header of the layer that owns the class. The method's
// definition and every send take the same constant, so the compiler checks
// both ends; the run-time signature check then guards only the sends whose
// selector is data (hooks, the loader, control commands).
//
//   // uikit/UIView.h
//   namespace ui { inline constinit const rt::Msg<void(CGRect)> setFrame{"setFrame:"}; }
//   // where UIView defines it
//   rt::defineMethod(cls, ui::setFrame, &setFrameImp);  // setFrameImp: void(id, SEL, CGRect)
//   // where it is sent
//   ui::setFrame(view, CGRectMake(0, 0, 10, 10));
//
// Class messages name the class they usually go to and can be sent to any
// other (a subclass):
//   namespace ui { inline constinit const rt::ClassMsg<id()> whiteColor{"UIColor", "whiteColor"}; }
//   id white = ui::whiteColor();
#pragma once

#include <atomic>
#include <string_view>
#include <type_traits>
#include <utility>

#include "runtime/Messaging.h"

namespace rt {

namespace detail {
// The interned selector of a literal name, looked up once per constant.
class CachedSelector {
public:
    constexpr explicit CachedSelector(const char* name) : name_(name) {}
    const char* name() const { return name_; }
    SEL sel() const {
        SEL s = cached_.load(std::memory_order_acquire);
        if (!s) {
            s = sel_registerName(name_);
            cached_.store(s, std::memory_order_release);
        }
        return s;
    }

private:
    const char* name_;
    mutable std::atomic<SEL> cached_{nullptr};
};
}  // namespace detail

template <class Sig>
class Msg;

// An instance message. Sending to nothing answers the zero value of R.
template <class R, class... A>
class Msg<R(A...)> {
public:
    using Signature = R(A...);
    using Imp = R (*)(id, SEL, A...);

    constexpr explicit Msg(const char* name) : selector_(name) {}
    Msg(const Msg&) = delete;
    Msg& operator=(const Msg&) = delete;

    const char* name() const { return selector_.name(); }
    SEL sel() const { return selector_.sel(); }

    R operator()(const id& receiver, A... args) const { return send<R(A...)>(receiver, sel(), std::forward<A>(args)...); }

private:
    detail::CachedSelector selector_;
};

template <class Sig>
class ClassMsg;

// A class message, sent to the class it names unless another is given.
template <class R, class... A>
class ClassMsg<R(A...)> {
public:
    using Signature = R(A...);
    using Imp = R (*)(id, SEL, A...);

    constexpr ClassMsg(const char* className, const char* name) : className_(className), selector_(name) {}
    ClassMsg(const ClassMsg&) = delete;
    ClassMsg& operator=(const ClassMsg&) = delete;

    const char* name() const { return selector_.name(); }
    const char* className() const { return className_; }
    SEL sel() const { return selector_.sel(); }

    // To the named class; nothing happens (a zero answer) while the process has no such class.
    R operator()(A... args) const { return to(objc_getClass(className_), std::forward<A>(args)...); }
    R to(Class* cls, A... args) const {
        id receiver = cls ? cls->self() : id{};
        return send<R(A...)>(receiver, sel(), std::forward<A>(args)...);
    }

private:
    const char* className_;
    detail::CachedSelector selector_;
};

// Defines the method on `cls` alone (replacing one it defined before). The
// implementation's type must be the message's, or this does not compile.
template <class Sig>
void defineMethod(Class* cls, const Msg<Sig>& msg, typename Msg<Sig>::Imp imp) {
    cls->setMethod(msg.sel(), Method{reinterpret_cast<IMP>(imp), typeid(Sig), encodingOf<Sig>()});
}
template <class Sig>
void defineClassMethod(Class* cls, const ClassMsg<Sig>& msg, typename ClassMsg<Sig>::Imp imp) {
    cls->metaclass()->setMethod(msg.sel(), Method{reinterpret_cast<IMP>(imp), typeid(Sig), encodingOf<Sig>()});
}

// class_addMethod with a message: added unless the class itself defines it.
template <class Sig>
bool addMethod(Class* cls, const Msg<Sig>& msg, typename Msg<Sig>::Imp imp) {
    return class_addMethod(cls, msg.sel(), imp);
}

// [super msg]: runs the implementation that the superclass of `cls` has or
// inherits, where `cls` is the class whose method is running (not the
// receiver's class, which may be a subclass).
template <class R, class... A>
R sendSuper(Class* cls, const id& self, const Msg<R(A...)>& msg, std::type_identity_t<A>... args) {
    Class* super = cls ? cls->superclass() : nullptr;
    Method* m = super ? super->lookup(msg.sel()) : nullptr;
    if (!m) unrecognizedSelector(self, msg.sel());
    return typedImp<R(A...)>(super, msg.sel(), *m)(self, msg.sel(), std::forward<A>(args)...);
}

}  // namespace rt
