// One row of the hook table: a host class and selector, and how to hook it.
#pragma once

#include "substrate/Substrate.h"

namespace orvelle {

using rt::Class;

struct Hook {
    const char* className;
    const char* selector;
    void (*install)(Class* cls, rt::SEL sel);

    // The class is looked up by name when the row is installed.
    void apply() const { install(rt::objc_getClass(className), rt::sel_registerName(selector)); }

    template <auto Replacement, auto Stock>
    static constexpr Hook of(const char* className, const char* selector) {
        return Hook{className, selector, [](Class* cls, rt::SEL sel) { MSHookMessageEx(cls, sel, Replacement, Stock); }};
    }
};

// Installs the whole table for this process: the rows for every version, the
// page controller's added methods, then the rows of this system version.
void installHooks();

}  // namespace orvelle
