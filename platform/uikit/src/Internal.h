// What the toolkit's sources share: registration order, run-loop callbacks,
// the animation recorder's view side.
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

// Registers a class backed by C++ type T.
template <class T>
rt::Class* registerClass(const char* name, rt::Class* super) {
    if (rt::Class* existing = rt::objc_getClass(name)) return existing;
    return rt::objc_registerClass(name, super, rt::factoryFor<T>());
}

// The main screen's object, made with the device it belongs to.
id mainScreenObject();

// Per-class registration, called in superclass order by registerUIKitClasses.
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
