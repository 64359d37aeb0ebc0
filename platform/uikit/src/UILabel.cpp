#include "uikit/UILabel.h"

#include "Internal.h"
#include "uikit/UIColor.h"
#include "uikit/UIFont.h"

namespace ui {

using detail::state;

namespace {

UILabel& L(const id& self, const char* sel) { return state<UILabel>(self, sel); }

id defaultFont() {
    static id* f = new id(rt::sendClass<id(double)>(rt::objc_getClass("UIFont"), "systemFontOfSize:", 17.0));
    return *f;
}
id defaultColor() {
    static id* c = new id(makeColor(0, 0, 0, 1));
    return *c;
}

// An immutable copy of the label's attributed text with `name` set to `value`
// over the whole text (the label's own font and colour win over ranges).
void applyToWhole(UILabel& l, const char* name, const id& value) {
    auto* old = dynamic_cast<NSAttributedString*>(l.attributedText_.get());
    if (!old) return;
    auto s = std::make_shared<NSAttributedString>();
    s->isa = rt::objc_getClass("NSAttributedString");
    s->text = old->text;
    for (const auto& a : old->attributes)
        if (a.name != name) s->attributes.push_back(a);
    if (value && !s->text.empty()) s->attributes.push_back({{0, utf16Length(s->text)}, name, value});
    l.attributedText_ = s;
}

id textImp(id self, SEL) {
    auto& l = L(self, "text");
    if (!l.attributedText_ && l.text_.empty()) return {};
    return NSStr(l.text_);
}
void setTextImp(id self, SEL, id text) {
    auto& l = L(self, "setText:");
    l.text_ = str(text);
    l.attributedText_.reset();
}
id attributedTextImp(id self, SEL) {
    auto& l = L(self, "attributedText");
    if (l.attributedText_) return l.attributedText_;
    if (l.text_.empty()) return {};
    // Plain text reads back as an unstyled attributed string.
    return rt::send<id(id)>(rt::alloc(rt::objc_getClass("NSAttributedString")), "initWithString:", NSStr(l.text_));
}
void setAttributedTextImp(id self, SEL, id text) {
    auto& l = L(self, "setAttributedText:");
    auto* s = dynamic_cast<NSAttributedString*>(text.get());
    if (!s) {
        l.attributedText_.reset();
        l.text_.clear();
        return;
    }
    // The label keeps its own immutable copy: later edits of the caller's string do not show.
    auto copy = std::make_shared<NSAttributedString>();
    copy->isa = rt::objc_getClass("NSAttributedString");
    copy->text = s->text;
    copy->attributes = s->attributes;
    l.attributedText_ = copy;
    l.text_ = copy->text;
    if (!copy->text.empty()) {
        if (id c = copy->attributeAt(NSForegroundColorAttributeName, 0)) l.textColor_ = c;
        if (id f = copy->attributeAt(NSFontAttributeName, 0)) l.font_ = f;
    }
}
id fontImp(id self, SEL) {
    auto& l = L(self, "font");
    return l.font_ ? l.font_ : defaultFont();
}
void setFontImp(id self, SEL, id f) {
    auto& l = L(self, "setFont:");
    l.font_ = f;
    applyToWhole(l, NSFontAttributeName, f);
}
id textColorImp(id self, SEL) {
    auto& l = L(self, "textColor");
    return l.textColor_ ? l.textColor_ : defaultColor();
}
void setTextColorImp(id self, SEL, id c) {
    auto& l = L(self, "setTextColor:");
    l.textColor_ = c;
    applyToWhole(l, NSForegroundColorAttributeName, c ? c : defaultColor());
}
long alignmentImp(id self, SEL) { return L(self, "textAlignment").textAlignment_; }
void setAlignmentImp(id self, SEL, long a) { L(self, "setTextAlignment:").textAlignment_ = a; }
long linesImp(id self, SEL) { return L(self, "numberOfLines").numberOfLines_; }
void setLinesImp(id self, SEL, long n) { L(self, "setNumberOfLines:").numberOfLines_ = n; }
long breakImp(id self, SEL) { return L(self, "lineBreakMode").lineBreakMode_; }
void setBreakImp(id self, SEL, long m) { L(self, "setLineBreakMode:").lineBreakMode_ = m; }

}  // namespace

std::vector<TextRun> effectiveRuns(const id& label) {
    auto& l = L(label, "effectiveRuns");
    if (l.attributedText_) return colorRuns(l.attributedText_);
    if (l.text_.empty()) return {};
    return {TextRun{l.text_, id{}}};
}

bool hasAttributedText(const id& label) { return L(label, "hasAttributedText").attributedText_ != nullptr; }

namespace detail {
void registerLabelClass() {
    rt::Class* cls = registerClass<UILabel>("UILabel", rt::objc_getClass("UIView"));
    rt::defineMethod(cls, "text", &textImp);
    rt::defineMethod(cls, "setText:", &setTextImp);
    rt::defineMethod(cls, "attributedText", &attributedTextImp);
    rt::defineMethod(cls, "setAttributedText:", &setAttributedTextImp);
    rt::defineMethod(cls, "font", &fontImp);
    rt::defineMethod(cls, "setFont:", &setFontImp);
    rt::defineMethod(cls, "textColor", &textColorImp);
    rt::defineMethod(cls, "setTextColor:", &setTextColorImp);
    rt::defineMethod(cls, "textAlignment", &alignmentImp);
    rt::defineMethod(cls, "setTextAlignment:", &setAlignmentImp);
    rt::defineMethod(cls, "numberOfLines", &linesImp);
    rt::defineMethod(cls, "setNumberOfLines:", &setLinesImp);
    rt::defineMethod(cls, "lineBreakMode", &breakImp);
    rt::defineMethod(cls, "setLineBreakMode:", &setBreakImp);
}
}  // namespace detail

}  // namespace ui
