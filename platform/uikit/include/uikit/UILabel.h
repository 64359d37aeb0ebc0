// Labels: plain or attributed text with a font, colour, alignment, number of
// lines and line-break mode.
#pragma once

#include "uikit/NSAttributedString.h"
#include "uikit/UIView.h"

enum NSTextAlignment : long {
    NSTextAlignmentLeft = 0,
    NSTextAlignmentCenter = 1,
    NSTextAlignmentRight = 2,
    NSTextAlignmentJustified = 3,
    NSTextAlignmentNatural = 4,
};
enum NSLineBreakMode : long {
    NSLineBreakByWordWrapping = 0,
    NSLineBreakByCharWrapping = 1,
    NSLineBreakByClipping = 2,
    NSLineBreakByTruncatingHead = 3,
    NSLineBreakByTruncatingTail = 4,
    NSLineBreakByTruncatingMiddle = 5,
};

class UILabel : public UIView {
public:
    std::string text_;
    id attributedText_;   // an immutable NSAttributedString; nothing while the text is plain
    id font_;             // default: the system font of 17 points
    id textColor_;        // default: black
    long textAlignment_ = NSTextAlignmentNatural;
    long numberOfLines_ = 1;
    long lineBreakMode_ = NSLineBreakByTruncatingTail;
};

// Methods: text, setText: (id; nothing clears), attributedText, setAttributedText: (id),
// font, setFont:, textColor, setTextColor: (id), textAlignment, setTextAlignment:,
// numberOfLines, setNumberOfLines:, lineBreakMode, setLineBreakMode: (long).
// setText: drops every attribute. setAttributedText: keeps its own copy, replaces
// the text, and takes the colour and font found at index 0 as the label's.
// setTextColor: recolours the whole attributed text, ranges with their own colour
// included, until the next setAttributedText:.

namespace ui {
inline id makeLabel(CGRect frame = CGRectZero) { return makeView(rt::objc_getClass("UILabel"), frame); }
inline std::string text(const id& l) { return str(rt::send<id()>(l, "text")); }
inline void setText(const id& l, std::string_view t) { rt::send<void(id)>(l, "setText:", NSStr(t)); }
inline id attributedText(const id& l) { return rt::send<id()>(l, "attributedText"); }
inline void setAttributedText(const id& l, const id& s) { rt::send<void(id)>(l, "setAttributedText:", s); }
inline id font(const id& l) { return rt::send<id()>(l, "font"); }
inline void setFont(const id& l, const id& f) { rt::send<void(id)>(l, "setFont:", f); }
inline id textColor(const id& l) { return rt::send<id()>(l, "textColor"); }
inline void setTextColor(const id& l, const id& c) { rt::send<void(id)>(l, "setTextColor:", c); }
inline long textAlignment(const id& l) { return rt::send<long()>(l, "textAlignment"); }
inline void setTextAlignment(const id& l, long a) { rt::send<void(long)>(l, "setTextAlignment:", a); }
inline long numberOfLines(const id& l) { return rt::send<long()>(l, "numberOfLines"); }
inline void setNumberOfLines(const id& l, long n) { rt::send<void(long)>(l, "setNumberOfLines:", n); }
inline long lineBreakMode(const id& l) { return rt::send<long()>(l, "lineBreakMode"); }
inline void setLineBreakMode(const id& l, long m) { rt::send<void(long)>(l, "setLineBreakMode:", m); }

// What the label draws: its text cut by colour (a run's colour is nothing where
// the label's own text colour applies). Empty for no text.
std::vector<TextRun> effectiveRuns(const id& label);
// Whether the text came from an attributed string (not from setText:).
bool hasAttributedText(const id& label);
}  // namespace ui
