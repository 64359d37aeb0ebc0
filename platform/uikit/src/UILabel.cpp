#include "uikit/UILabel.h"

#include "Internal.h"
#include "uikit/UIColor.h"
#include "uikit/UIFont.h"

namespace ui {

namespace {

UILabel& L(const id& self, SEL cmd) { return rt::state<UILabel>(self, cmd); }

id defaultFont() {
    static id* f = new id(systemFontOfSize(17.0));
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
    auto s = rt::make<NSAttributedString>("NSAttributedString");
    s->text = old->text;
    for (const auto& a : old->attributes)
        if (a.name != name) s->attributes.push_back(a);
    if (value && !s->text.empty()) s->attributes.push_back({{0, utf16Length(s->text)}, name, value});
    l.attributedText_ = s;
}

id textImp(id self, SEL cmd) {
    auto& l = L(self, cmd);
    if (!l.attributedText_ && l.text_.empty()) return {};
    return NSStr(l.text_);
}
void setTextImp(id self, SEL cmd, id text) {
    auto& l = L(self, cmd);
    l.text_ = str(text);
    l.attributedText_.reset();
}
id attributedTextImp(id self, SEL cmd) {
    auto& l = L(self, cmd);
    if (l.attributedText_) return l.attributedText_;
    if (l.text_.empty()) return {};
    // Plain text reads back as an unstyled attributed string.
    return initWithString(rt::alloc(rt::objc_getClass("NSAttributedString")), NSStr(l.text_));
}
void setAttributedTextImp(id self, SEL cmd, id text) {
    auto& l = L(self, cmd);
    auto* s = dynamic_cast<NSAttributedString*>(text.get());
    if (!s) {
        l.attributedText_.reset();
        l.text_.clear();
        return;
    }
    // The label keeps its own immutable copy: later edits of the caller's string do not show.
    auto copy = rt::make<NSAttributedString>("NSAttributedString");
    copy->text = s->text;
    copy->attributes = s->attributes;
    l.attributedText_ = copy;
    l.text_ = copy->text;
    if (!copy->text.empty()) {
        if (id c = copy->attributeAt(NSForegroundColorAttributeName, 0)) l.textColor_ = c;
        if (id f = copy->attributeAt(NSFontAttributeName, 0)) l.font_ = f;
    }
}
id fontImp(id self, SEL cmd) {
    auto& l = L(self, cmd);
    return l.font_ ? l.font_ : defaultFont();
}
void setFontImp(id self, SEL cmd, id f) {
    auto& l = L(self, cmd);
    l.font_ = f;
    applyToWhole(l, NSFontAttributeName, f);
}
id textColorImp(id self, SEL cmd) {
    auto& l = L(self, cmd);
    return l.textColor_ ? l.textColor_ : defaultColor();
}
void setTextColorImp(id self, SEL cmd, id c) {
    auto& l = L(self, cmd);
    l.textColor_ = c;
    applyToWhole(l, NSForegroundColorAttributeName, c ? c : defaultColor());
}
long alignmentImp(id self, SEL cmd) { return L(self, cmd).textAlignment_; }
void setAlignmentImp(id self, SEL cmd, long a) { L(self, cmd).textAlignment_ = a; }
long linesImp(id self, SEL cmd) { return L(self, cmd).numberOfLines_; }
void setLinesImp(id self, SEL cmd, long n) { L(self, cmd).numberOfLines_ = n; }
long breakImp(id self, SEL cmd) { return L(self, cmd).lineBreakMode_; }
void setBreakImp(id self, SEL cmd, long m) { L(self, cmd).lineBreakMode_ = m; }

}  // namespace

std::vector<TextRun> effectiveRuns(const id& label) {
    auto& l = rt::state<UILabel>(label, "effectiveRuns");
    if (l.attributedText_) return colorRuns(l.attributedText_);
    if (l.text_.empty()) return {};
    return {TextRun{l.text_, id{}}};
}

bool hasAttributedText(const id& label) {
    return rt::state<UILabel>(label, "hasAttributedText").attributedText_ != nullptr;
}

namespace detail {
void registerLabelClass() {
    rt::Class* cls = registerClass<UILabel>("UILabel", rt::objc_getClass("UIView"));
    rt::defineMethod(cls, text, &textImp);
    rt::defineMethod(cls, setText, &setTextImp);
    rt::defineMethod(cls, attributedText, &attributedTextImp);
    rt::defineMethod(cls, setAttributedText, &setAttributedTextImp);
    rt::defineMethod(cls, font, &fontImp);
    rt::defineMethod(cls, setFont, &setFontImp);
    rt::defineMethod(cls, textColor, &textColorImp);
    rt::defineMethod(cls, setTextColor, &setTextColorImp);
    rt::defineMethod(cls, textAlignment, &alignmentImp);
    rt::defineMethod(cls, setTextAlignment, &setAlignmentImp);
    rt::defineMethod(cls, numberOfLines, &linesImp);
    rt::defineMethod(cls, setNumberOfLines, &setLinesImp);
    rt::defineMethod(cls, lineBreakMode, &breakImp);
    rt::defineMethod(cls, setLineBreakMode, &setBreakImp);
}
}  // namespace detail

}  // namespace ui
