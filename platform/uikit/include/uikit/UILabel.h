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

namespace ui {

// Plain text: setText: drops every attribute; nothing clears.
inline constinit const rt::Msg<id()> text{"text"};
inline constinit const rt::Msg<void(id)> setText{"setText:"};
// setAttributedText: keeps its own copy, replaces the text, and takes the colour
// and font found at index 0 as the label's.
inline constinit const rt::Msg<id()> attributedText{"attributedText"};
inline constinit const rt::Msg<void(id)> setAttributedText{"setAttributedText:"};
inline constinit const rt::Msg<id()> font{"font"};
inline constinit const rt::Msg<void(id)> setFont{"setFont:"};
// setTextColor: recolours the whole attributed text, ranges with their own
// colour included, until the next setAttributedText:.
inline constinit const rt::Msg<id()> textColor{"textColor"};
inline constinit const rt::Msg<void(id)> setTextColor{"setTextColor:"};
inline constinit const rt::Msg<long()> textAlignment{"textAlignment"};
inline constinit const rt::Msg<void(long)> setTextAlignment{"setTextAlignment:"};
inline constinit const rt::Msg<long()> numberOfLines{"numberOfLines"};
inline constinit const rt::Msg<void(long)> setNumberOfLines{"setNumberOfLines:"};
inline constinit const rt::Msg<long()> lineBreakMode{"lineBreakMode"};
inline constinit const rt::Msg<void(long)> setLineBreakMode{"setLineBreakMode:"};

inline id makeLabel(CGRect frame = CGRectZero) { return makeView(rt::objc_getClass("UILabel"), frame); }

// What the label draws: its text cut by colour (a run's colour is nothing where
// the label's own text colour applies). Empty for no text.
std::vector<TextRun> effectiveRuns(const id& label);
// Whether the text came from an attributed string (not from setText:).
bool hasAttributedText(const id& label);
}  // namespace ui
