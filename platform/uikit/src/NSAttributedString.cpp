#include "uikit/NSAttributedString.h"

#include <algorithm>

#include "Internal.h"
#include "uikit/UIColor.h"

namespace {

template <class T>
std::shared_ptr<T> makeString(const char* className, const NSAttributedString& from) {
    auto s = rt::make<T>(className);
    s->text = from.text;
    s->attributes = from.attributes;
    return s;
}

// A range cut to the text's length.
NSRange clampRange(const NSAttributedString& s, NSRange r) {
    unsigned long length = ui::utf16Length(s.text);
    unsigned long loc = std::min(r.location, length);
    unsigned long len = std::min(r.length, length - loc);
    return {loc, len};
}

id initWithStringImp(id self, SEL cmd, id text) {
    auto& s = rt::state<NSAttributedString>(self, cmd);
    s.text = str(text);
    s.attributes.clear();
    return self;
}
id stringImp(id self, SEL cmd) { return NSStr(rt::state<NSAttributedString>(self, cmd).text); }
unsigned long lengthImp(id self, SEL cmd) { return ui::utf16Length(rt::state<NSAttributedString>(self, cmd).text); }
id attributeAtIndexImp(id self, SEL cmd, id name, unsigned long index, NSRange* effective) {
    auto& s = rt::state<NSAttributedString>(self, cmd);
    std::string key = str(name);
    if (effective) {
        // The widest run around index with the same value.
        id value = s.attributeAt(key, index);
        unsigned long length = ui::utf16Length(s.text);
        unsigned long lo = index, hi = index + 1;
        while (lo > 0 && s.attributeAt(key, lo - 1) == value) --lo;
        while (hi < length && s.attributeAt(key, hi) == value) ++hi;
        *effective = {lo, std::min(hi, length) - std::min(lo, length)};
    }
    return s.attributeAt(key, index);
}
void addAttributeImp(id self, SEL cmd, id name, id value, NSRange range) {
    auto& s = rt::state<NSAttributedString>(self, cmd);
    if (!value || !isString(name)) return;  // the device raises; the caller keeps running here
    NSRange r = clampRange(s, range);
    if (r.length == 0) return;
    s.attributes.push_back({r, str(name), value});
}
void removeAttributeImp(id self, SEL cmd, id name, NSRange range) {
    auto& s = rt::state<NSAttributedString>(self, cmd);
    NSRange r = clampRange(s, range);
    std::string key = str(name);
    std::vector<NSAttributedString::Attribute> kept;
    for (auto& a : s.attributes) {
        if (a.name != key || NSMaxRange(a.range) <= r.location || a.range.location >= NSMaxRange(r)) {
            kept.push_back(a);
            continue;
        }
        // Keep the parts outside the removed range.
        if (a.range.location < r.location) kept.push_back({{a.range.location, r.location - a.range.location}, a.name, a.value});
        if (NSMaxRange(a.range) > NSMaxRange(r))
            kept.push_back({{NSMaxRange(r), NSMaxRange(a.range) - NSMaxRange(r)}, a.name, a.value});
    }
    s.attributes = std::move(kept);
}
id mutableCopyImp(id self, SEL cmd) {
    return makeString<NSMutableAttributedString>("NSMutableAttributedString", rt::state<NSAttributedString>(self, cmd));
}

}  // namespace

id NSAttributedString::attributeAt(const std::string& name, unsigned long index) const {
    for (auto it = attributes.rbegin(); it != attributes.rend(); ++it)
        if (it->name == name && index >= it->range.location && index < NSMaxRange(it->range)) return it->value;
    return {};
}

id NSAttributedString::copyObject() { return shared_from_this(); }

id NSMutableAttributedString::copyObject() { return makeString<NSAttributedString>("NSAttributedString", *this); }

namespace ui {

std::vector<TextRun> colorRuns(const id& attributedString) {
    std::vector<TextRun> runs;
    auto* s = dynamic_cast<NSAttributedString*>(attributedString.get());
    if (!s || s->text.empty()) return runs;
    unsigned long length = utf16Length(s->text);
    // Cut points: every colour range's ends.
    std::vector<unsigned long> cuts{0, length};
    for (const auto& a : s->attributes)
        if (a.name == NSForegroundColorAttributeName) {
            cuts.push_back(std::min(a.range.location, length));
            cuts.push_back(std::min(NSMaxRange(a.range), length));
        }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        unsigned long lo = cuts[i], hi = cuts[i + 1];
        id color = s->attributeAt(NSForegroundColorAttributeName, lo);
        std::size_t b0 = utf8Offset(s->text, lo), b1 = utf8Offset(s->text, hi);
        std::string piece = s->text.substr(b0, b1 - b0);
        if (!runs.empty() && colorsEqual(runs.back().color, color))
            runs.back().text += piece;
        else
            runs.push_back({std::move(piece), color});
    }
    return runs;
}

namespace detail {
void registerAttributedStringClasses() {
    rt::Class* plain = registerClass<NSAttributedString>("NSAttributedString", rt::NSObjectClass());
    rt::Class* mut = registerClass<NSMutableAttributedString>("NSMutableAttributedString", plain);
    rt::defineMethod(plain, ui::initWithString, &initWithStringImp);
    rt::defineMethod(plain, ui::string, &stringImp);
    rt::defineMethod(plain, ui::length, &lengthImp);
    rt::defineMethod(plain, ui::attribute_atIndex_effectiveRange, &attributeAtIndexImp);
    rt::defineMethod(plain, ui::mutableCopy, &mutableCopyImp);
    rt::defineMethod(mut, ui::addAttribute_value_range, &addAttributeImp);
    rt::defineMethod(mut, ui::removeAttribute_range, &removeAttributeImp);
}
}  // namespace detail

}  // namespace ui
