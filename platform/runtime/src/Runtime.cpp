#include <cxxabi.h>
#include <dlfcn.h>

#include <cstdlib>
#include <mutex>
#include <unordered_map>

#include "runtime/NSObject.h"

namespace rt {

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<std::string, std::unique_ptr<Selector>> selectors;
    std::unordered_map<std::string, std::shared_ptr<Class>> classes;
};

Registry& registry() {
    static Registry* r = new Registry;  // lives for the process, as the device's class table
    return *r;
}

}  // namespace

Object::~Object() = default;

SEL sel_registerName(std::string_view name) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.selectors.find(std::string(name));
    if (it != r.selectors.end()) return it->second.get();
    auto s = std::make_unique<Selector>(Selector{std::string(name)});
    SEL result = s.get();
    r.selectors.emplace(std::string(name), std::move(s));
    return result;
}

const char* sel_getName(SEL sel) { return sel ? sel->name.c_str() : "<null selector>"; }

// ---- associations ------------------------------------------------------------

void objc_setAssociatedObject(const id& object, const void* key, const id& value, AssociationPolicy policy) {
    if (!object) return;
    auto& table = object->associations_;
    if (!value) {
        table.erase(key);
        return;
    }
    Object::Association a;
    switch (policy) {
        case OBJC_ASSOCIATION_ASSIGN:
            a.weak = value;
            break;
        case OBJC_ASSOCIATION_COPY:
        case OBJC_ASSOCIATION_COPY_NONATOMIC:
            a.strong = value->copyObject();
            break;
        default:
            a.strong = value;
            break;
    }
    table[key] = std::move(a);
}

id objc_getAssociatedObject(const id& object, const void* key) {
    if (!object) return {};
    auto it = object->associations_.find(key);
    if (it == object->associations_.end()) return {};
    return it->second.strong ? it->second.strong : it->second.weak.lock();
}

void objc_removeAssociatedObjects(const id& object) {
    if (object) object->associations_.clear();
}

// ---- classes -------------------------------------------------------------------

Method* Class::ownMethod(SEL sel) {
    auto it = methods_.find(sel);
    return it == methods_.end() ? nullptr : &it->second;
}

Method* Class::lookup(SEL sel) {
    for (Class* c = this; c; c = c->superclass_)
        if (Method* m = c->ownMethod(sel)) return m;
    return nullptr;
}

bool Class::isSubclassOf(const Class* other) const {
    for (const Class* c = this; c; c = c->superclass_)
        if (c == other) return true;
    return false;
}

id Class::alloc() {
    for (Class* c = this; c; c = c->superclass_) {
        if (c->factory_) {
            id object = c->factory_();
            object->isa = this;
            return object;
        }
    }
    auto object = std::make_shared<Object>();
    object->isa = this;
    return object;
}

void Class::setMethod(SEL sel, Method method) { methods_[sel] = std::move(method); }

Class* objc_registerClass(const std::string& name, Class* superclass, Class::Factory factory) {
    auto& r = registry();
    std::shared_ptr<Class> cls(new Class);
    std::shared_ptr<Class> meta(new Class);
    {
        std::lock_guard lock(r.mutex);
        if (r.classes.count(name)) throw Error("objc_registerClass: a class named " + name + " already exists");
        r.classes.emplace(name, cls);
        r.classes.emplace("<meta>" + name, meta);
    }
    cls->name_ = name;
    cls->superclass_ = superclass;
    // The caller's code is the registering image, as the device's class table records it.
    Dl_info info{};
    if (dladdr(__builtin_return_address(0), &info) && info.dli_fname) cls->imageName_ = info.dli_fname;
    meta->imageName_ = cls->imageName_;
    cls->factory_ = std::move(factory);
    cls->isa = meta.get();
    meta->name_ = name;
    meta->isMeta_ = true;
    // The root metaclass inherits from the root class, so class objects answer
    // the root's instance methods too.
    meta->superclass_ = superclass ? superclass->isa : cls.get();
    meta->isa = meta.get();
    return cls.get();
}

Class* objc_getClass(std::string_view name) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.classes.find(std::string(name));
    return it == r.classes.end() || it->second->isMetaclass() ? nullptr : it->second.get();
}

Class* object_getClass(const id& object) { return object ? object->isa : nullptr; }

Class* asClass(const id& object) { return dynamic_cast<Class*>(object.get()); }

std::string demangledSignature(std::type_index sig) {
    int status = 0;
    char* s = abi::__cxa_demangle(sig.name(), nullptr, nullptr, &status);
    std::string result = status == 0 && s ? s : sig.name();
    std::free(s);
    return result;
}

void unrecognizedSelector(const id& receiver, SEL sel) {
    Class* cls = receiver ? receiver->isa : nullptr;
    std::string name = cls ? cls->name() : "?";
    bool meta = cls && cls->isMetaclass();
    throw Error(std::string(meta ? "+[" : "-[") + name + " " + sel_getName(sel) + "]: unrecognized selector sent to " +
                (meta ? "class" : "instance"));
}

// ---- messaging helpers ------------------------------------------------------------

bool respondsToSelector(const id& receiver, SEL sel) {
    return receiver && receiver->isa && receiver->isa->lookup(sel);
}

bool isKindOfClass(const id& object, const Class* cls) {
    return object && object->isa && cls && object->isa->isSubclassOf(cls);
}

bool isKindOfClass(const id& object, std::string_view className) {
    return isKindOfClass(object, objc_getClass(className));
}

id alloc(Class* cls) { return NSObject_alloc.to(cls); }

id allocInit(Class* cls) { return init(alloc(cls)); }

void sendAction(const id& target, SEL action, const id& sender) {
    if (!target || !action) return;
    if (!action->name.empty() && action->name.back() == ':')
        send<void(id)>(target, action, sender);
    else
        send<void()>(target, action);
}

namespace {
std::string setterName(std::string_view key) {
    std::string s = "set";
    s += key;
    s[3] = static_cast<char>(std::toupper(static_cast<unsigned char>(s[3])));
    return s + ":";
}
}  // namespace

void setValueForKey(const id& object, const id& value, std::string_view key) {
    if (!object) return;
    SEL setter = sel_registerName(setterName(key));
    if (!respondsToSelector(object, setter))
        throw Error("setValue:forKey: " + object->isa->name() + " is not key value coding-compliant for the key " +
                    std::string(key));
    send<void(id)>(object, setter, value);
}

id valueForKey(const id& object, std::string_view key) {
    if (!object) return {};
    SEL getter = sel_registerName(key);
    if (!respondsToSelector(object, getter))
        throw Error("valueForKey: " + object->isa->name() + " is not key value coding-compliant for the key " +
                    std::string(key));
    return send<id()>(object, getter);
}

// ---- the root class ----------------------------------------------------------------

namespace {
id nsobjectAlloc(id self, SEL) { return asClass(self)->alloc(); }
id nsobjectNew(id self, SEL) { return init(asClass(self)->alloc()); }
id nsobjectInit(id self, SEL) { return self; }
id nsobjectCopy(id self, SEL) { return self->copyObject(); }
bool nsobjectRespondsTo(id self, SEL, SEL sel) { return respondsToSelector(self, sel); }
}  // namespace

Class* NSObjectClass() {
    static Class* cls = [] {
        Class* c = objc_registerClass("NSObject", nullptr);
        defineClassMethod(c, NSObject_alloc, &nsobjectAlloc);
        defineClassMethod(c, new_, &nsobjectNew);
        defineMethod(c, init, &nsobjectInit);
        defineMethod(c, copy, &nsobjectCopy);
        defineMethod(c, NSObject_respondsToSelector, &nsobjectRespondsTo);
        return c;
    }();
    return cls;
}

}  // namespace rt
