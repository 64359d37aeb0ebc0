// The object model: reference-counted objects whose behaviour is looked up by
// selector in per-class method tables, as on the device.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace rt {

class Object;
class Class;
struct Selector;

using id = std::shared_ptr<Object>;
using SEL = const Selector*;
using BOOL = bool;
inline constexpr BOOL YES = true;
inline constexpr BOOL NO = false;

// Interned selector: one address per name for the life of the process.
struct Selector {
    std::string name;
};

SEL sel_registerName(std::string_view name);
const char* sel_getName(SEL sel);

// Association policies, with the device's values.
enum AssociationPolicy : std::uintptr_t {
    OBJC_ASSOCIATION_ASSIGN = 0,
    OBJC_ASSOCIATION_RETAIN_NONATOMIC = 1,
    OBJC_ASSOCIATION_COPY_NONATOMIC = 3,
    OBJC_ASSOCIATION_RETAIN = 01401,
    OBJC_ASSOCIATION_COPY = 01403,
};

class Object : public std::enable_shared_from_this<Object> {
public:
    Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object();

    Class* isa = nullptr;

    id self() { return shared_from_this(); }

    // Immutable values answer themselves to `copy`; mutable ones make a new object.
    virtual id copyObject() { return shared_from_this(); }

private:
    friend void objc_setAssociatedObject(const id&, const void*, const id&, AssociationPolicy);
    friend id objc_getAssociatedObject(const id&, const void*);
    friend void objc_removeAssociatedObjects(const id&);
    struct Association {
        id strong;
        std::weak_ptr<Object> weak;
    };
    std::map<const void*, Association> associations_;
};

void objc_setAssociatedObject(const id& object, const void* key, const id& value, AssociationPolicy policy);
id objc_getAssociatedObject(const id& object, const void* key);
void objc_removeAssociatedObjects(const id& object);

// Typed downcast of an object; nothing when it is nothing or of another C++ type.
template <class T>
std::shared_ptr<T> cast(const id& object) {
    return std::dynamic_pointer_cast<T>(object);
}

}  // namespace rt
