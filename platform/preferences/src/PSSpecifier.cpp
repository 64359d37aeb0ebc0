#include "preferences/PSSpecifier.h"

#include <array>
#include <utility>

#include "foundation/Log.h"
#include "preferences/PSListController.h"

namespace {

struct TypeName {
    const char* name;
    long type;
};
constexpr std::array<TypeName, 16> kTypeNames{{
    {"PSGroupCell", PSGroupCell},
    {"PSLinkCell", PSLinkCell},
    {"PSLinkListCell", PSLinkListCell},
    {"PSListItemCell", PSListItemCell},
    {"PSTitleValueCell", PSTitleValueCell},
    {"PSSliderCell", PSSliderCell},
    {"PSSwitchCell", PSSwitchCell},
    {"PSStaticTextCell", PSStaticTextCell},
    {"PSEditTextCell", PSEditTextCell},
    {"PSSegmentCell", PSSegmentCell},
    {"PSGiantIconCell", PSGiantIconCell},
    {"PSGiantCell", PSGiantCell},
    {"PSSecureEditTextCell", PSSecureEditTextCell},
    {"PSButtonCell", PSButtonCell},
    {"PSEditTextViewCell", PSEditTextViewCell},
    {"PSSpinnerCell", PSStaticTextCell},  // shown as static text here
}};

PSSpecifier& S(const id& self, SEL cmd) { return rt::state<PSSpecifier>(self, cmd); }

std::vector<id> itemsOf(const id& array) {
    auto a = rt::cast<NSArray>(array);
    return a ? a->items : std::vector<id>{};
}

id nameImp(id self, SEL cmd) { return NSStr(S(self, cmd).name); }
id identifierImp(id self, SEL cmd) { return NSStr(S(self, cmd).identifier); }
long cellTypeImp(id self, SEL cmd) { return S(self, cmd).cellType; }
id propertiesImp(id self, SEL cmd) { return S(self, cmd).properties; }
id propertyForKeyImp(id self, SEL cmd, id key) {
    auto d = rt::cast<NSDictionary>(S(self, cmd).properties);
    return d ? d->objectForKey(str(key)) : id{};
}
void setPropertyForKeyImp(id self, SEL cmd, id value, id key) {
    auto& s = S(self, cmd);
    if (!s.properties) s.properties = NSDictionaryNew();
    if (auto d = rt::cast<NSDictionary>(s.properties)) d->setObject(value, str(key));
}
id targetImp(id self, SEL cmd) { return S(self, cmd).target.lock(); }
void setTargetImp(id self, SEL cmd, id t) { S(self, cmd).target = t; }
id valuesImp(id self, SEL cmd) { return NSArrayNew(S(self, cmd).values); }
id titlesImp(id self, SEL cmd) { return NSArrayNew(S(self, cmd).titles); }

}  // namespace

namespace ps {

void registerSpecifierClass() {
    rt::Class* c = rt::objc_registerClass("PSSpecifier", rt::NSObjectClass(), rt::factoryFor<PSSpecifier>());
    rt::defineMethod(c, name, &nameImp);
    rt::defineMethod(c, identifier, &identifierImp);
    rt::defineMethod(c, cellType, &cellTypeImp);
    rt::defineMethod(c, properties, &propertiesImp);
    rt::defineMethod(c, propertyForKey, &propertyForKeyImp);
    rt::defineMethod(c, setProperty_forKey, &setPropertyForKeyImp);
    rt::defineMethod(c, target, &targetImp);
    rt::defineMethod(c, setTarget, &setTargetImp);
    rt::defineMethod(c, values, &valuesImp);
    rt::defineMethod(c, titles, &titlesImp);
}

long cellTypeFromString(std::string_view name) {
    for (const auto& t : kTypeNames)
        if (name == t.name) return t.type;
    return -1;
}

std::string cellTypeName(long type) {
    for (const auto& t : kTypeNames)
        if (t.type == type) return t.name;
    return "unknown";
}

id makeSpecifier(std::string_view label, long type) {
    registerPreferencesClasses();
    id s = rt::allocInit("PSSpecifier");
    auto spec = rt::cast<PSSpecifier>(s);
    spec->name = std::string(label);
    spec->identifier = spec->name;
    spec->cellType = type;
    spec->properties = NSDictionaryNew();
    return s;
}

id specifierFromEntry(const id& entry, const id& target) {
    auto dict = rt::cast<NSDictionary>(entry);
    if (!dict) return {};
    std::string cell = str(dict->objectForKey("cell"));
    long type = cellTypeFromString(cell);
    if (type < 0) {
        NSLog("Preferences: unknown cell type \"%s\" of row \"%s\"; shown as static text", cell.c_str(),
              str(dict->objectForKey("label")).c_str());
        type = PSStaticTextCell;
    }
    id s = makeSpecifier(str(dict->objectForKey("label")), type);
    auto spec = rt::cast<PSSpecifier>(s);
    auto props = rt::cast<NSDictionary>(spec->properties);
    props->entries = dict->entries;
    if (id ident = dict->objectForKey("id"); isString(ident)) spec->identifier = str(ident);
    else if (id k = dict->objectForKey("key"); isString(k)) spec->identifier = str(k);
    spec->target = target;
    if (id action = dict->objectForKey("action"); isString(action)) spec->buttonAction = rt::sel_registerName(str(action));
    spec->values = itemsOf(dict->objectForKey("validValues"));
    spec->titles = itemsOf(dict->objectForKey("validTitles"));
    return s;
}

std::string key(const id& specifier) { return str(property(specifier, "key")); }
std::string domain(const id& specifier) { return str(property(specifier, "defaults")); }

}  // namespace ps
