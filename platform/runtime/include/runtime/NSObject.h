// The root class's messages, which every class answers.
#pragma once

#include "runtime/Message.h"

namespace rt {

// +alloc: a new instance of the receiving class; rt::alloc(cls) sends it.
inline constinit const ClassMsg<id()> NSObject_alloc{"NSObject", "alloc"};
// +new: alloc then init.
inline constinit const ClassMsg<id()> new_{"NSObject", "new"};
inline constinit const Msg<id()> init{"init"};
// Immutable values answer themselves; mutable ones a new immutable copy.
inline constinit const Msg<id()> copy{"copy"};
// rt::respondsToSelector asks the class tables directly, without a send.
inline constinit const Msg<bool(SEL)> NSObject_respondsToSelector{"respondsToSelector:"};

}  // namespace rt
