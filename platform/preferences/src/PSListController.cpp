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

// What the last store of a value said; read back by the person-action helpers,
// as setPreferenceValue:specifier: answers nothing.
ns::Result<>& lastStore() {
    static ns::Result<> r;
    return r;
}

id specifiersImp(id self, SEL) { return list_(self)->_specifiers; }

// As the device finds a class's bundle: the folder of the binary its code lives in.
std::string folderOfClassCode(rt::Class* cls) {
    rt::Method* m = cls ? cls->lookup(ps::specifiers.sel()) : nullptr;
    Dl_info info{};
    if (!m || !dladdr(reinterpret_cast<void*>(m->imp), &info) || !info.dli_fname) return {};
    return std::filesystem::path(info.dli_fname).parent_path().string();
}

id bundlePathImp(id self, SEL) {
    auto c = list_(self);
    if (c->bundlePath_.empty()) c->bundlePath_ = folderOfClassCode(self->isa);
    return NSStr(c->bundlePath_);
}

id loadSpecifiersImp(id self, SEL, id name, id target) {
    std::string folder = str(ps::bundlePath(self));
    std::string file = folder + "/" + str(name) + ".plist";
    auto list = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(file));
    if (!list) {
        NSLog("Preferences: cannot load specifier list %s", file.c_str());
        return NSArrayNew();
    }
    auto items = rt::cast<NSArray>(list->objectForKey("items"));
    if (!items) {
        NSLog("Preferences: specifier list %s has no items array", file.c_str());
        return NSArrayNew();
    }
    std::vector<id> rows;
    for (const id& entry : items->items) {
        if (id spec = ps::specifierFromEntry(entry, target)) rows.push_back(spec);
        else NSLog("Preferences: %s: an item that is no dictionary is skipped", file.c_str());
    }
    return NSArrayNew(std::move(rows));
}

id specifierImp(id self, SEL) { return list_(self)->specifier_; }
void setSpecifierImp(id self, SEL, id s) { list_(self)->specifier_ = s; }

id readPreferenceValueImp(id, SEL, id spec) {
    std::string key = ps::key(spec), domain = ps::domain(spec);
    if (!key.empty() && !domain.empty())
        if (id stored = ps::storedValue(domain, key)) return stored;
    return ps::property(spec, "default");
}

void setPreferenceValueImp(id, SEL, id value, id spec) {
    std::string key = ps::key(spec), domain = ps::domain(spec);
    ns::Result<> stored = ps::storeValue(domain, key, value);
    lastStore() = stored;
    if (!stored) {
        NSLog("Preferences: row \"%s\": %s", str(ps::name(spec)).c_str(), stored.reason().c_str());
        return;
    }
    if (id note = ps::property(spec, "PostNotification"); isString(note) && !str(note).empty())
        ns::postNotification(str(note), {});
}

id specifierForIDImp(id self, SEL, id ident) {
    std::string wanted = str(ident);
    for (const id& s : ps::specifierList(self)) {
        auto spec = rt::cast<PSSpecifier>(s);
        if (spec && (spec->identifier == wanted || ps::key(s) == wanted)) return s;
    }
    return {};
}

id targetOf(const id& controller, const id& spec) {
    id t = ps::target(spec);
    return t ? t : controller;
}

// Hands a value to the row's target as the framework does after a person's change.
ns::Result<> storeFromRow(const id& controller, const id& spec, const id& value) {
    lastStore() = {};
    ps::storeRowValue(targetOf(controller, spec), spec, value);
    return lastStore();
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
        rt::defineMethod(c, specifiers, &specifiersImp);
        rt::defineMethod(c, bundlePath, &bundlePathImp);
        rt::defineMethod(c, loadSpecifiersFromPlistName_target, &loadSpecifiersImp);
        rt::defineMethod(vc, specifier, &specifierImp);
        rt::defineMethod(vc, setSpecifier, &setSpecifierImp);
        rt::defineMethod(c, readPreferenceValue, &readPreferenceValueImp);
        rt::defineMethod(c, setPreferenceValue_specifier, &setPreferenceValueImp);
        rt::defineMethod(c, specifierForID, &specifierForIDImp);
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

void storeRowValue(const id& target, const id& spec, const id& value) {
    if (id setter = property(spec, "set"); isString(setter))
        rt::send<void(id, id)>(target, rt::sel_registerName(str(setter)), value, spec);  // named by the row
    else
        setPreferenceValue_specifier(target, value, spec);
}

id valueForSpecifier(const id& controller, const id& spec) {
    id target = targetOf(controller, spec);
    if (id getter = property(spec, "get"); isString(getter))
        return rt::send<id(id)>(target, rt::sel_registerName(str(getter)), spec);  // named by the row
    return readPreferenceValue(target, spec);
}

id cellForSpecifier(const id& controller, const id& spec) {
    rt::Class* base = rt::objc_getClass("PSTableCell");
    rt::Class* cls = cellType(spec) == PSSwitchCell ? rt::objc_getClass("PSSwitchTableCell") : base;
    if (id custom = property(spec, "cellClass"); isString(custom)) {
        rt::Class* named = rt::objc_getClass(str(custom));
        if (named && named->isSubclassOf(base)) cls = named;
        else
            NSLog("Preferences: cell class %s of row \"%s\" is no table cell; using %s", str(custom).c_str(),
                  str(name(spec)).c_str(), cls->name().c_str());
    }
    id cell = rt::alloc(cls);
    if (rt::respondsToSelector(cell, initWithSpecifier.sel()))
        cell = initWithSpecifier(cell, spec);
    else
        cell = initWithStyle_reuseIdentifier_specifier(cell, 0L, NSStr(cellTypeName(cellType(spec))), spec);
    if (cell && !key(spec).empty()) setValue(cell, valueForSpecifier(controller, spec));
    return cell;
}

namespace {
// How a failure names the row: row "Label".
std::string row(const id& spec) { return "row \"" + str(name(spec)) + "\""; }
}  // namespace

ns::Result<> setSwitch(const id& controller, const id& spec, bool on) {
    if (cellType(spec) != PSSwitchCell) return ns::fail(row(spec) + " is no switch");
    id cell = cellForSpecifier(controller, spec);
    id sw = control(cell);
    if (!sw) return ns::fail(row(spec) + " has no switch");
    lastStore() = {};
    if (ui::isOn(sw) != on) ui::toggleSwitch(sw);
    return lastStore();
}

ns::Result<> chooseListItem(const id& controller, const id& spec, std::size_t index) {
    auto s = rt::cast<PSSpecifier>(spec);
    if (!s || s->values.empty()) return ns::fail(row(spec) + " offers no choices");
    if (index >= s->values.size()) return ns::fail(row(spec) + " has no choice " + std::to_string(index));
    return storeFromRow(controller, spec, s->values[index]);
}

ns::Result<> commitText(const id& controller, const id& spec, const std::string& text) {
    long t = cellType(spec);
    if (t != PSEditTextCell && t != PSSecureEditTextCell && t != PSEditTextViewCell)
        return ns::fail(row(spec) + " is no text field");
    return storeFromRow(controller, spec, NSStr(text));
}

ns::Result<> setSlider(const id& controller, const id& spec, double value) {
    if (cellType(spec) != PSSliderCell) return ns::fail(row(spec) + " is no slider");
    double lo = ns::doubleValue(property(spec, "min")), hi = ns::doubleValue(property(spec, "max"));
    if (property(spec, "min") && value < lo) value = lo;
    if (property(spec, "max") && value > hi) value = hi;
    return storeFromRow(controller, spec, NSNum(value));
}

ns::Result<> pressButton(const id& controller, const id& spec) {
    auto s = rt::cast<PSSpecifier>(spec);
    if (!s || !s->buttonAction) return ns::fail(row(spec) + " has no action");
    id target = targetOf(controller, spec);
    if (!rt::respondsToSelector(target, s->buttonAction))
        return ns::fail("the page does not answer the action " + std::string(s->buttonAction->name));
    rt::sendAction(target, s->buttonAction, spec);
    return {};
}

id openLink(const id& controller, const id& spec) {
    id detail = property(spec, "detail");
    rt::Class* cls = isString(detail) ? rt::objc_getClass(str(detail)) : nullptr;
    rt::Class* base = rt::objc_getClass("PSListController");
    if (!cls || !cls->isSubclassOf(base)) {
        if (isString(detail))
            NSLog("Preferences: page class %s of row \"%s\" is missing", str(detail).c_str(), str(name(spec)).c_str());
        return {};
    }
    id page = rt::allocInit(cls);
    auto p = list_(page);
    if (!p) return {};
    p->specifier_ = spec;
    p->parentController_ = controller;
    p->bundlePath_ = str(bundlePath(controller));
    return page;
}

}  // namespace ps

__attribute__((constructor)) static void preferencesLoad() { ps::registerPreferencesClasses(); }
