// Classes by name, with superclass lookup of methods, and typed implementations.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <typeindex>
#include <unordered_map>
#include <vector>

#include "runtime/Object.h"

namespace rt {

// Untyped implementation pointer, as an IMP. Every method also records the C++
// signature it was registered with, so a call through the wrong type is refused.
using IMP = void (*)();

// A failure of the object model: unknown selector, wrong signature and the like.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Method {
    IMP imp = nullptr;
    std::type_index signature = typeid(void);
    std::string types;  // type encoding, e.g. "v@:"
};

class Class final : public Object {
public:
    using Factory = std::function<id()>;

    const std::string& name() const { return name_; }
    Class* superclass() const { return superclass_; }
    Class* metaclass() const { return isa; }
    bool isMetaclass() const { return isMeta_; }
    // The file of the library or program whose code registered the class.
    const std::string& imageName() const { return imageName_; }

    // The method this class defines itself, or nullptr.
    Method* ownMethod(SEL sel);
    // The method this class defines or inherits, or nullptr.
    Method* lookup(SEL sel);
    bool isSubclassOf(const Class* other) const;

    // Makes a new instance of the nearest C++ type registered up the chain.
    id alloc();

    // Replaces or adds the method on this class alone.
    void setMethod(SEL sel, Method method);

private:
    friend Class* objc_registerClass(const std::string&, Class*, Factory);
    Class() = default;
    std::string name_;
    Class* superclass_ = nullptr;
    bool isMeta_ = false;
    std::string imageName_;
    Factory factory_;
    std::unordered_map<SEL, Method> methods_;
};

// Registers a class and its metaclass. The factory makes the C++ object behind
// instances; a class without one uses its superclass's. Registering a name
// again is an error.
Class* objc_registerClass(const std::string& name, Class* superclass, Class::Factory factory = {});

// The file of the library or program that registered the class ("" for none).
inline const char* class_getImageName(const Class* cls) { return cls ? cls->imageName().c_str() : ""; }

// The class of that name, or nullptr when this process has none.
Class* objc_getClass(std::string_view name);
inline Class* NSClassFromString(std::string_view name) { return objc_getClass(name); }
Class* object_getClass(const id& object);
// The class itself when given a class object (as `self` in a class method).
Class* asClass(const id& object);

// Registers a factory for C++ type T deriving from Object.
template <class T>
Class::Factory factoryFor() {
    return [] { return std::static_pointer_cast<Object>(std::make_shared<T>()); };
}

// ---- signatures ---------------------------------------------------------

template <class Sig>
struct ImpOf;
template <class R, class... A>
struct ImpOf<R(A...)> {
    using type = R (*)(id, SEL, A...);
};
template <class Sig>
using ImpFor = typename ImpOf<Sig>::type;

template <class Fn>
struct SigOf;
template <class R, class... A>
struct SigOf<R (*)(id, SEL, A...)> {
    using type = R(A...);
};

// Type encoding of a C++ type, as the device spells it.
template <class T>
struct Encoding;
template <> struct Encoding<void> { static constexpr const char* value = "v"; };
template <> struct Encoding<id> { static constexpr const char* value = "@"; };
template <> struct Encoding<SEL> { static constexpr const char* value = ":"; };
template <> struct Encoding<bool> { static constexpr const char* value = "B"; };
template <> struct Encoding<int> { static constexpr const char* value = "i"; };
template <> struct Encoding<unsigned> { static constexpr const char* value = "I"; };
template <> struct Encoding<long> { static constexpr const char* value = "q"; };
template <> struct Encoding<unsigned long> { static constexpr const char* value = "Q"; };
template <> struct Encoding<float> { static constexpr const char* value = "f"; };
template <> struct Encoding<double> { static constexpr const char* value = "d"; };
template <class T> struct Encoding<T*> { static constexpr const char* value = "^v"; };
template <class T> struct Encoding<std::shared_ptr<T>> { static constexpr const char* value = "@"; };

template <class T>
concept Encodable = requires { Encoding<T>::value; };

template <class Sig>
std::string encodingOf();
template <class R, class... A>
std::string encodingOfFn(R (*)(A...)) {
    std::string s;
    if constexpr (Encodable<R>) s += Encoding<R>::value; else s += "{}";
    s += "@:";
    ((s += [] { if constexpr (Encodable<A>) return std::string(Encoding<A>::value); else return std::string("{}"); }()), ...);
    return s;
}
template <class Sig>
std::string encodingOf() {
    return encodingOfFn(static_cast<Sig*>(nullptr));
}

std::string demangledSignature(std::type_index sig);

// Adds a method unless the class itself already defines the selector; answers
// whether it was added. A given type encoding must agree with the C++ type.
template <class R, class... A>
bool class_addMethod(Class* cls, SEL sel, R (*imp)(id, SEL, A...), const std::string& types = {}) {
    if (!cls || !sel || !imp) return false;
    if (cls->ownMethod(sel)) return false;
    std::string expected = encodingOf<R(A...)>();
    if (!types.empty() && types != expected)
        throw Error("class_addMethod: type encoding \"" + types + "\" of -[" + cls->name() + " " + sel->name +
                    "] does not match its implementation (\"" + expected + "\")");
    cls->setMethod(sel, Method{reinterpret_cast<IMP>(imp), typeid(R(A...)), expected});
    return true;
}

// Typed view of a method's implementation; a different signature is an error.
template <class Sig>
ImpFor<Sig> typedImp(const Class* cls, SEL sel, const Method& m) {
    if (m.signature != std::type_index(typeid(Sig)))
        throw Error(std::string("message -[") + cls->name() + " " + sel->name + "] sent as " +
                    demangledSignature(typeid(Sig)) + " but implemented as " + demangledSignature(m.signature));
    return reinterpret_cast<ImpFor<Sig>>(m.imp);
}

[[noreturn]] void unrecognizedSelector(const id& receiver, SEL sel);

}  // namespace rt
