#include "preferences/PSListController.h"

#include <dlfcn.h>

#include <filesystem>

#include "foundation/Conversions.h"
#include "foundation/Log.h"
#include "foundation/NotificationCenter.h"
#include "foundation/PropertyList.h"
#include "preferences/PSTableCell.h"
#include "preferences/PreferenceStore.h"
#include "uikit/UIKit.h"

namespace ps {
void registerSpecifierClass();
void registerCellClasses();
}  // namespace ps

namespace {

std::shared_ptr<PSListController> list_(const id& self) { return rt::cast<PSListController>(self); }

// What the last store of a value said; read back by the person-action helpers.
std::string& lastStoreError() {
    static std::string e;
    return e;
}

id arrayOf(std::vector<id> items) {
    auto a = std::make_shared<NSArray>(std::move(items));
    a->isa = rt::objc_getClass("NSArray");
    return a;
}

id specifiers(id self, SEL) { return list_(self)->_specifiers; }

// As the device finds a class's bundle: the folder of the binary its code lives in.
std::string folderOfClassCode(rt::Class* cls) {
    rt::Method* m = cls ? cls->lookup(rt::sel_registerName("specifiers")) : nullptr;
    Dl_info info{};
    if (!m || !dladdr(reinterpret_cast<void*>(m->imp), &info) || !info.dli_fname) return {};
    return std::filesystem::path(info.dli_fname).parent_path().string();
}

id bundlePath(id self, SEL) {
    auto c = list_(self);
    if (c->bundlePath_.empty()) c->bundlePath_ = folderOfClassCode(self->isa);
    return NSStr(c->bundlePath_);
}

id loadSpecifiers(id self, SEL, id name, id target) {
    std::string folder = str(rt::send<id()>(self, "bundlePath"));
    std::string file = folder + "/" + str(name) + ".plist";
    auto list = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(file));
    if (!list) {
        NSLog("Preferences: cannot load specifier list %s", file.c_str());
        return arrayOf({});
    }
    auto items = rt::cast<NSArray>(list->objectForKey("items"));
    if (!items) {
        NSLog("Preferences: specifier list %s has no items array", file.c_str());
        return arrayOf({});
    }
    std::vector<id> rows;
    for (const id& entry : items->items) {
        if (id spec = ps::specifierFromEntry(entry, target)) rows.push_back(spec);
        else NSLog("Preferences: %s: an item that is no dictionary is skipped", file.c_str());
    }
    return arrayOf(std::move(rows));
}

id specifier(id self, SEL) { return list_(self)->specifier_; }
void setSpecifier(id self, SEL, id s) { list_(self)->specifier_ = s; }

id readPreferenceValue(id, SEL, id spec) {
    std::string key = ps::key(spec), domain = ps::domain(spec);
    if (!key.empty() && !domain.empty())
        if (id stored = ps::storedValue(domain, key)) return stored;
    return ps::property(spec, "default");
}

void setPreferenceValue(id, SEL, id value, id spec) {
    std::string key = ps::key(spec), domain = ps::domain(spec);
    std::string error = ps::storeValue(domain, key, value);
    lastStoreError() = error;
    if (!error.empty()) {
        NSLog("Preferences: row \"%s\": %s", ps::name(spec).c_str(), error.c_str());
        return;
    }
    if (id note = ps::property(spec, "PostNotification"); isString(note) && !str(note).empty())
        ns::postNotification(str(note), {});
}

id specifierForID(id self, SEL, id ident) {
    std::string wanted = str(ident);
    for (const id& s : ps::specifierList(self)) {
        auto spec = rt::cast<PSSpecifier>(s);
        if (spec && (spec->identifier == wanted || ps::key(s) == wanted)) return s;
    }
    return {};
}

id targetOf(const id& controller, const id& spec) {
    id t = rt::send<id()>(spec, "target");
    return t ? t : controller;
}

// Hands a value to the row's target as the framework does after a person's change.
std::string storeFromRow(const id& controller, const id& spec, const id& value) {
    lastStoreError().clear();
    id target = targetOf(controller, spec);
    if (id setter = ps::property(spec, "set"); isString(setter))
        rt::send<void(id, id)>(target, rt::sel_registerName(str(setter)), value, spec);
    else
        rt::send<void(id, id)>(target, "setPreferenceValue:specifier:", value, spec);
    return lastStoreError();
}

}  // namespace

namespace ps {

void registerPreferencesClasses() {
    static bool done = [] {
        ui::registerUIKitClasses();
        registerSpecifierClass();
        registerCellClasses();
        rt::Class* vc = rt::objc_registerClass("PSViewController", rt::objc_getClass("UIViewController"),
                                               rt::factoryFor<PSListController>());
        rt::Class* c = rt::objc_registerClass("PSListController", vc, rt::factoryFor<PSListController>());
        rt::defineMethod(c, "specifiers", &::specifiers);
        rt::defineMethod(c, "bundlePath", &::bundlePath);
        rt::defineMethod(c, "loadSpecifiersFromPlistName:target:", &loadSpecifiers);
        rt::defineMethod(vc, "specifier", &::specifier);
        rt::defineMethod(vc, "setSpecifier:", &::setSpecifier);
        rt::defineMethod(c, "readPreferenceValue:", &readPreferenceValue);
        rt::defineMethod(c, "setPreferenceValue:specifier:", &setPreferenceValue);
        rt::defineMethod(c, "specifierForID:", &specifierForID);
        return true;
    }();
    (void)done;
}

std::vector<id> specifierList(const id& controller) {
    auto a = rt::cast<NSArray>(specifiers(controller));
    return a ? a->items : std::vector<id>{};
}

void setBundlePath(const id& controller, const std::string& folder) {
    if (auto c = list_(controller)) c->bundlePath_ = folder;
}

std::string bundlePath(const id& controller) { return str(rt::send<id()>(controller, "bundlePath")); }

id valueForSpecifier(const id& controller, const id& spec) {
    id target = targetOf(controller, spec);
    if (id getter = property(spec, "get"); isString(getter))
        return rt::send<id(id)>(target, rt::sel_registerName(str(getter)), spec);
    return rt::send<id(id)>(target, "readPreferenceValue:", spec);
}

id cellForSpecifier(const id& controller, const id& spec) {
    rt::Class* base = rt::objc_getClass("PSTableCell");
    rt::Class* cls = cellType(spec) == PSSwitchCell ? rt::objc_getClass("PSSwitchTableCell") : base;
    if (id custom = property(spec, "cellClass"); isString(custom)) {
        rt::Class* named = rt::objc_getClass(str(custom));
        if (named && named->isSubclassOf(base)) cls = named;
        else NSLog("Preferences: cell class %s of row \"%s\" is no table cell; using %s", str(custom).c_str(),
                   name(spec).c_str(), cls->name().c_str());
    }
    id cell = rt::alloc(cls);
    if (rt::respondsToSelector(cell, "initWithSpecifier:"))
        cell = rt::send<id(id)>(cell, "initWithSpecifier:", spec);
    else
        cell = rt::send<id(long, id, id)>(cell, "initWithStyle:reuseIdentifier:specifier:", 0L,
                                          NSStr(cellTypeName(cellType(spec))), spec);
    if (cell && !key(spec).empty()) rt::send<void(id)>(cell, "setValue:", valueForSpecifier(controller, spec));
    return cell;
}

std::string setSwitch(const id& controller, const id& spec, bool on) {
    if (cellType(spec) != PSSwitchCell) return "row \"" + name(spec) + "\" is no switch";
    id cell = cellForSpecifier(controller, spec);
    id sw = control(cell);
    if (!sw) return "row \"" + name(spec) + "\" has no switch";
    lastStoreError().clear();
    if (ui::isOn(sw) != on) ui::toggleSwitch(sw);
    return lastStoreError();
}

std::string chooseListItem(const id& controller, const id& spec, std::size_t index) {
    auto s = rt::cast<PSSpecifier>(spec);
    if (!s || s->values.empty()) return "row \"" + name(spec) + "\" offers no choices";
    if (index >= s->values.size()) return "row \"" + name(spec) + "\" has no choice " + std::to_string(index);
    return storeFromRow(controller, spec, s->values[index]);
}

std::string commitText(const id& controller, const id& spec, const std::string& text) {
    long t = cellType(spec);
    if (t != PSEditTextCell && t != PSSecureEditTextCell && t != PSEditTextViewCell)
        return "row \"" + name(spec) + "\" is no text field";
    return storeFromRow(controller, spec, NSStr(text));
}

std::string setSlider(const id& controller, const id& spec, double value) {
    if (cellType(spec) != PSSliderCell) return "row \"" + name(spec) + "\" is no slider";
    double lo = ns::doubleValue(property(spec, "min")), hi = ns::doubleValue(property(spec, "max"));
    if (property(spec, "min") && value < lo) value = lo;
    if (property(spec, "max") && value > hi) value = hi;
    return storeFromRow(controller, spec, NSNum(value));
}

std::string pressButton(const id& controller, const id& spec) {
    auto s = rt::cast<PSSpecifier>(spec);
    if (!s || !s->buttonAction) return "row \"" + name(spec) + "\" has no action";
    id target = targetOf(controller, spec);
    if (!rt::respondsToSelector(target, s->buttonAction))
        return "the page does not answer the action " + std::string(s->buttonAction->name);
    rt::sendAction(target, s->buttonAction, spec);
    return {};
}

id openLink(const id& controller, const id& spec) {
    id detail = property(spec, "detail");
    rt::Class* cls = isString(detail) ? rt::objc_getClass(str(detail)) : nullptr;
    rt::Class* base = rt::objc_getClass("PSListController");
    if (!cls || !cls->isSubclassOf(base)) {
        if (isString(detail)) NSLog("Preferences: page class %s of row \"%s\" is missing", str(detail).c_str(), name(spec).c_str());
        return {};
    }
    id page = rt::allocInit(cls);
    auto p = list_(page);
    if (!p) return {};
    p->specifier_ = spec;
    p->parentController_ = controller;
    p->bundlePath_ = bundlePath(controller);
    return page;
}

}  // namespace ps

__attribute__((constructor)) static void preferencesLoad() { ps::registerPreferencesClasses(); }
