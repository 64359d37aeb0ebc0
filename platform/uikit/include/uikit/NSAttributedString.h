// Attributed text: a string plus attribute ranges (UTF-16 units, as on the
// device). The toolkit reads the foreground colour and the font attributes.
#pragma once

#include <string>
#include <vector>

#include "foundation/Objects.h"
#include "uikit/NSRange.h"

// Attribute names, with the device's values.
inline constexpr const char* NSForegroundColorAttributeName = "NSColor";
inline constexpr const char* NSFontAttributeName = "NSFont";

class NSAttributedString : public rt::Object {
public:
    struct Attribute {
        NSRange range;
        std::string name;
        id value;
    };
    std::string text;                  // UTF-8
    std::vector<Attribute> attributes;  // later entries win where ranges overlap

    // The value of `name` at a UTF-16 index, or nothing.
    id attributeAt(const std::string& name, unsigned long index) const;
    id copyObject() override;
};

class NSMutableAttributedString final : public NSAttributedString {
public:
    id copyObject() override;
};

namespace ui {

// Both classes. A range past the end of the text is clamped to it (the device
// raises; the toolkit never crashes its caller).
inline constinit const rt::Msg<id(id)> initWithString{"initWithString:"};
inline constinit const rt::Msg<id()> string{"string"};
inline constinit const rt::Msg<unsigned long()> length{"length"};
// The range pointer may be null.
inline constinit const rt::Msg<id(id, unsigned long, NSRange*)> attribute_atIndex_effectiveRange{
    "attribute:atIndex:effectiveRange:"};
inline constinit const rt::Msg<id()> mutableCopy{"mutableCopy"};
// Mutable only.
inline constinit const rt::Msg<void(id, id, NSRange)> addAttribute_value_range{"addAttribute:value:range:"};
inline constinit const rt::Msg<void(id, NSRange)> removeAttribute_range{"removeAttribute:range:"};

// [[NSMutableAttributedString alloc] initWithString:text]
inline id mutableAttributedString(std::string_view text) {
    return initWithString(rt::alloc(rt::objc_getClass("NSMutableAttributedString")), NSStr(text));
}

// A piece of text with one foreground colour (nothing: the label's own colour).
struct TextRun {
    std::string text;
    id color;
};
// The text cut where the foreground colour changes; one run for a plain string.
std::vector<TextRun> colorRuns(const id& attributedString);
}  // namespace ui
