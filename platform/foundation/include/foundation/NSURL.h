// URLs: text checked for the characters a URL may hold.
#pragma once

#include <string>

#include "foundation/Objects.h"

class NSURL final : public rt::Object {
public:
    std::string text;
};

namespace ns {
// Nothing for nothing, an empty text, or text with a character a URL may not
// hold unescaped (blanks, controls, quotes, <, >, \, ^, `, {, |, }, or anything
// outside ASCII). A URL's description is its absoluteString.
inline constinit const rt::ClassMsg<id(id)> URLWithString{"NSURL", "URLWithString:"};
inline constinit const rt::Msg<id()> absoluteString{"absoluteString"};
// Nothing when the text has none.
inline constinit const rt::Msg<id()> scheme{"scheme"};
}  // namespace ns
