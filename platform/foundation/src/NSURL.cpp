#include "foundation/NSURL.h"

#include <cctype>

namespace {

bool allowedInURL(unsigned char c) {
    if (c <= 0x20 || c >= 0x7F) return false;
    switch (c) {
        case '"': case '<': case '>': case '\\': case '^': case '`': case '{': case '|': case '}':
            return false;
        default:
            return true;
    }
}

rt::Class* urlClass();

id makeURL(std::string_view text) {
    if (text.empty()) return {};
    for (unsigned char c : text)
        if (!allowedInURL(c)) return {};
    auto url = std::make_shared<NSURL>();
    url->text = std::string(text);
    url->isa = urlClass();
    return url;
}

id URLWithStringImp(id, SEL, id text) { return isString(text) ? makeURL(str(text)) : id{}; }
id absoluteStringImp(id self, SEL) { return NSStr(rt::cast<NSURL>(self)->text); }
id schemeImp(id self, SEL) {
    const std::string& t = rt::cast<NSURL>(self)->text;
    auto colon = t.find(':');
    if (colon == std::string::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(t[0]))) return {};
    for (std::size_t i = 1; i < colon; ++i) {
        unsigned char c = static_cast<unsigned char>(t[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return {};
    }
    return NSStr(t.substr(0, colon));
}

rt::Class* urlClass() {
    static rt::Class* cls = [] {
        registerFoundationClasses();
        rt::Class* c = rt::objc_registerClass("NSURL", rt::NSObjectClass(), rt::factoryFor<NSURL>());
        rt::defineClassMethod(c, "URLWithString:", &URLWithStringImp);
        rt::defineMethod(c, "absoluteString", &absoluteStringImp);
        rt::defineMethod(c, "description", &absoluteStringImp);
        rt::defineMethod(c, "scheme", &schemeImp);
        return c;
    }();
    return cls;
}

__attribute__((constructor)) void urlLoad() { urlClass(); }

}  // namespace

namespace ns {
id URLWithString(std::string_view text) {
    urlClass();
    return makeURL(text);
}
}  // namespace ns
