// URLs: text checked for the characters a URL may hold.
#pragma once

#include <string>

#include "foundation/Objects.h"

class NSURL final : public rt::Object {
public:
    std::string text;
};

// Class method: URLWithString: (id(id)): nothing for nothing, an empty text, or
// text with a character a URL may not hold unescaped (blanks, controls,
// quotes, <, >, \, ^, `, {, |, }, or anything outside ASCII).
// Methods: absoluteString, description (id()), scheme (id(): nothing when the
// text has none).

namespace ns {
id URLWithString(std::string_view text);
}  // namespace ns
