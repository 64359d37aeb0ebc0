#include "foundation/Objects.h"
#include "foundation/NotificationCenter.h"

#include <clocale>
#include <cstdarg>
#include <cstdio>

namespace {

template <class T>
rt::Class* registered(const char* name, rt::Class* super) {
    return rt::objc_registerClass(name, super, rt::factoryFor<T>());
}

id stringDescription(id self, SEL) { return self; }

}  // namespace

void registerFoundationClasses() {
    static bool done = [] {
        rt::Class* root = rt::NSObjectClass();
        rt::Class* string = registered<NSString>("NSString", root);
        registered<NSMutableString>("NSMutableString", string);
        registered<NSNumber>("NSNumber", root);
        registered<NSData>("NSData", root);
        registered<NSDate>("NSDate", root);
        rt::Class* array = registered<NSArray>("NSArray", root);
        registered<NSMutableArray>("NSMutableArray", array);
        rt::Class* dict = registered<NSDictionary>("NSDictionary", root);
        registered<NSMutableDictionary>("NSMutableDictionary", dict);
        registered<NSNotification>("NSNotification", root);
        rt::defineMethod(string, ns::description, &stringDescription);
        return true;
    }();
    (void)done;
}

// Classes exist as soon as the library is loaded, as the device's frameworks do.
__attribute__((constructor)) static void foundationLoad() { registerFoundationClasses(); }

id NSMutableString::copyObject() { return NSStr(utf8); }

id NSMutableArray::copyObject() { return NSArrayNew(items); }

id NSMutableDictionary::copyObject() {
    static rt::Class* const cls = rt::objc_getClass("NSDictionary");
    auto copy = rt::make<NSDictionary>(cls);
    copy->entries = entries;
    return copy;
}

id NSDictionary::objectForKey(std::string_view key) const {
    for (const auto& [k, v] : entries)
        if (k == key) return v;
    return {};
}

void NSDictionary::setObject(const id& value, const std::string& key) {
    if (!value) return removeObject(key);
    for (auto& [k, v] : entries)
        if (k == key) {
            v = value;
            return;
        }
    entries.emplace_back(key, value);
}

void NSDictionary::removeObject(std::string_view key) {
    std::erase_if(entries, [&](const auto& e) { return e.first == key; });
}

// Values are made often: each maker looks its class up once.
id NSStr(std::string_view s) {
    registerFoundationClasses();
    static rt::Class* const cls = rt::objc_getClass("NSString");
    return rt::make<NSString>(cls, std::string(s));
}
id NSMutableStr(std::string_view s) {
    registerFoundationClasses();
    static rt::Class* const cls = rt::objc_getClass("NSMutableString");
    return rt::make<NSMutableString>(cls, std::string(s));
}
id NSNum(bool b) {
    registerFoundationClasses();
    static rt::Class* const cls = rt::objc_getClass("NSNumber");
    return rt::make<NSNumber>(cls, NSNumber::Value{b});
}
id NSNum(int i) { return NSNum(static_cast<std::int64_t>(i)); }
id NSNum(std::int64_t i) {
    registerFoundationClasses();
    static rt::Class* const cls = rt::objc_getClass("NSNumber");
    return rt::make<NSNumber>(cls, NSNumber::Value{i});
}
id NSNum(double d) {
    registerFoundationClasses();
    static rt::Class* const cls = rt::objc_getClass("NSNumber");
    return rt::make<NSNumber>(cls, NSNumber::Value{d});
}
id NSDictionaryNew(bool mutableDictionary) {
    registerFoundationClasses();
    static rt::Class* const mutableClass = rt::objc_getClass("NSMutableDictionary");
    static rt::Class* const immutableClass = rt::objc_getClass("NSDictionary");
    if (mutableDictionary) return rt::make<NSMutableDictionary>(mutableClass);
    return rt::make<NSDictionary>(immutableClass);
}
id NSArrayNew(std::vector<id> items) {
    registerFoundationClasses();
    static rt::Class* const cls = rt::objc_getClass("NSArray");
    return rt::make<NSArray>(cls, std::move(items));
}
id NSDateNew(double seconds) {
    registerFoundationClasses();
    static rt::Class* const cls = rt::objc_getClass("NSDate");
    return rt::make<NSDate>(cls, seconds);
}

std::string str(const id& object) {
    auto s = rt::cast<NSString>(object);
    return s ? s->utf8 : std::string();
}
bool isString(const id& object) { return rt::cast<NSString>(object) != nullptr; }
bool isNumber(const id& object) { return rt::cast<NSNumber>(object) != nullptr; }
bool isDictionary(const id& object) { return rt::cast<NSDictionary>(object) != nullptr; }
bool isEqualToString(const id& object, std::string_view text) {
    auto s = rt::cast<NSString>(object);
    return s && s->utf8 == text;
}

std::string vformat(const char* fmt, va_list args) {
    // Numbers are always written the C locale's way: a decimal comma would corrupt stored values.
    static locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    locale_t previous = uselocale(c);
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, fmt, args);
    std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(out.data(), out.size() + 1, fmt, again);
    va_end(again);
    uselocale(previous);
    return out;
}

std::string format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string out = vformat(fmt, ap);
    va_end(ap);
    return out;
}

std::string describe(const id& object) {
    if (!object) return "(null)";
    if (auto s = rt::cast<NSString>(object)) return s->utf8;
    if (auto n = rt::cast<NSNumber>(object)) {
        return std::visit(
            [](auto v) -> std::string {
                using V = decltype(v);
                if constexpr (std::is_same_v<V, bool>) return v ? "1" : "0";
                else if constexpr (std::is_same_v<V, double>) return format("%.17g", v);
                else return format("%lld", static_cast<long long>(v));
            },
            n->value);
    }
    return "<" + (object->isa ? object->isa->name() : std::string("Object")) + ">";
}
