// What the toolkit's sources share: checked access to an object's C++ state,
// calls to a superclass's implementation, registration order, run-loop callbacks.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Log.h"
#include "foundation/Objects.h"
#include "runtime/Messaging.h"
#include "uikit/Animation.h"

namespace ui::detail {

// The C++ state behind a receiver; an object of another C++ type is a clear error.
template <class T>
T& state(const id& self, const char* what) {
    T* p = dynamic_cast<T*>(self.get());
    if (!p) throw rt::Error(std::string(what) + ": receiver of class " + (self && self->isa ? self->isa->name() : "?") +
                            " is not backed by the toolkit's C++ type");
    return *p;
}

// [super sel...]: the implementation `superclass` has or inherits, called on self.
template <class Sig, class... Args>
auto sendSuper(rt::Class* superclass, const id& self, std::string_view selName, Args&&... args) {
    SEL sel = rt::sel_registerName(selName);
    rt::Method* m = superclass ? superclass->lookup(sel) : nullptr;
    if (!m) rt::unrecognizedSelector(self, sel);
    return [&]<class Ret, class... A>(Ret (*)(A...)) -> Ret {
        auto imp = rt::typedImp<Ret(A...)>(superclass, sel, *m);
        return imp(self, sel, static_cast<A>(std::forward<Args>(args))...);
    }(static_cast<Sig*>(nullptr));
}

// Registers a class backed by C++ type T.
template <class T>
rt::Class* registerClass(const char* name, rt::Class* super) {
    if (rt::Class* existing = rt::objc_getClass(name)) return existing;
    return rt::objc_registerClass(name, super, rt::factoryFor<T>());
}

// An object whose "fire:" runs a function: the target of the toolkit's own timers.
id callback(std::function<void()> fn);
// A one-shot run-loop timer that runs fn after `seconds`; answers the NSTimer.
id after(double seconds, std::function<void()> fn);
void invalidateTimer(id& timer);

// Per-class registration, called in superclass order by registerUIKitClasses.
void registerCallbackClass();
void registerColorClass();
void registerFontClass();
void registerImageClass();
void registerAttributedStringClasses();
void registerViewClass();
void registerAnimationMethods();
void registerWindowClass();
void registerLabelClass();
void registerImageViewClass();
void registerBackdropViewClass();
void registerControlClass();
void registerSwitchClass();
void registerGestureRecognizerClass();
void registerLongPressClass();
void registerPanClass();
void registerViewControllerClass();
void registerScreenClass();
void registerDeviceClass();
void registerApplicationClass();
void registerAlertViewClass();

// The view layer's side of the animation recorder: inside an animation block,
// records the change of `property` from the value shown now to `to`.
// `oldValue` is the model value before the change; a property already animating
// starts from what it shows now.
bool animating();
void recordChange(const id& view, const char* property, const AnimatedValue& oldValue, const AnimatedValue& newValue);

// Lays out the marked views of a tree, parents first.
void layoutViewTree(const id& root);
// Every window alive, oldest first.
std::vector<id> allWindows();

// The touch in progress: a recogniser leaving "possible" fails the others.
void recognizerBegan(const id& recognizer);

}  // namespace ui::detail
