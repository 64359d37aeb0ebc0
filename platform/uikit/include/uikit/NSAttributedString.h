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

// Methods (both classes): initWithString: (id(id)), string (id()), length
// (unsigned long()), attribute:atIndex:effectiveRange: (id(id, unsigned long,
// NSRange*); the range pointer may be null), copy, mutableCopy.
// Mutable only: addAttribute:value:range: (void(id, id, NSRange)),
// removeAttribute:range: (void(id, NSRange)). A range past the end of the text
// is clamped to it (the device raises; the toolkit never crashes its caller).

namespace ui {
// [[NSMutableAttributedString alloc] initWithString:text]
inline id mutableAttributedString(std::string_view text) {
    return rt::send<id(id)>(rt::alloc(rt::objc_getClass("NSMutableAttributedString")), "initWithString:", NSStr(text));
}
inline void addAttribute(const id& s, std::string_view name, const id& value, NSRange range) {
    rt::send<void(id, id, NSRange)>(s, "addAttribute:value:range:", NSStr(name), value, range);
}

// A piece of text with one foreground colour (nothing: the label's own colour).
struct TextRun {
    std::string text;
    id color;
};
// The text cut where the foreground colour changes; one run for a plain string.
std::vector<TextRun> colorRuns(const id& attributedString);
}  // namespace ui
