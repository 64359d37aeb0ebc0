// Text between this platform's UTF-8 strings and ICU's UTF-16, for the sources
// that format with ICU. Invalid input becomes U+FFFD instead of failing.
#pragma once

#include <unicode/ustring.h>

#include <string>

namespace ns::icu_text {

inline std::u16string toUtf16(const std::string& s) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8WithSub(nullptr, 0, &length, s.data(), static_cast<int32_t>(s.size()), 0xFFFD, nullptr, &status);
    std::u16string out(static_cast<std::size_t>(length), u'\0');
    status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), length + 1, &length, s.data(),
                         static_cast<int32_t>(s.size()), 0xFFFD, nullptr, &status);
    return U_FAILURE(status) ? std::u16string() : out;
}

inline std::string toUtf8(const UChar* s, int32_t length) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t needed = 0;
    u_strToUTF8WithSub(nullptr, 0, &needed, s, length, 0xFFFD, nullptr, &status);
    std::string out(static_cast<std::size_t>(needed), '\0');
    status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), needed + 1, &needed, s, length, 0xFFFD, nullptr, &status);
    return U_FAILURE(status) ? std::string() : out;
}

inline std::string toUtf8(const std::u16string& s) {
    return toUtf8(reinterpret_cast<const UChar*>(s.data()), static_cast<int32_t>(s.size()));
}

}  // namespace ns::icu_text
