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
    auto url = rt::make<NSURL>(urlClass());
    url->text = std::string(text);
    return url;
}

id URLWithStringImp(id, SEL, id text) { return isString(text) ? makeURL(str(text)) : id{}; }
id absoluteStringImp(id self, SEL cmd) { return NSStr(rt::state<NSURL>(self, cmd).text); }
id schemeImp(id self, SEL cmd) {
    const std::string& t = rt::state<NSURL>(self, cmd).text;
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
        rt::defineClassMethod(c, ns::URLWithString, &URLWithStringImp);
        rt::defineMethod(c, ns::absoluteString, &absoluteStringImp);
        rt::defineMethod(c, ns::description, &absoluteStringImp);
        rt::defineMethod(c, ns::scheme, &schemeImp);
        return c;
    }();
    return cls;
}

__attribute__((constructor)) void urlLoad() { urlClass(); }

}  // namespace
