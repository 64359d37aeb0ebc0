// Date formatting with Unicode date-field patterns through ICU, in the
// process's locale and time zone.
#pragma once

#include <memory>
#include <string>

#include "foundation/Objects.h"

namespace ns {

// The process's locale (e.g. "en_US") and time zone (e.g. "Europe/Paris"); they
// default to the device's settings given at start, else "en_US" and "UTC".
void setDefaultLocale(const std::string& locale);
void setDefaultTimeZone(const std::string& zone);
std::string defaultLocale();
std::string defaultTimeZone();

// The date format a template (UTS #35 fields in any order, like "EEEEMMMMd")
// takes in a locale, as the platform's dateFormatFromTemplate:options:locale:
// answers it: the locale's order, words and punctuation ("EEEE d MMMM" in
// fr_FR). "J" asks for the locale's hour without a day period ("h:mm" for
// "Jmm" in en_US, "HH:mm" in de_DE). Empty for an empty template or a locale
// the date library cannot open.
std::string dateFormatFromTemplate(const std::string& dateTemplate, const std::string& locale);

}  // namespace ns

class NSDateFormatter final : public rt::Object {
public:
    NSDateFormatter();
    ~NSDateFormatter() override;
    void setDateFormat(const std::string& pattern);
    const std::string& dateFormat() const { return pattern_; }
    // The format the template takes in the process's locale now.
    void setLocalizedDateFormatFromTemplate(const std::string& dateTemplate);
    // Text of the date (seconds since 1970). Never fails: an invalid pattern gives
    // the text formatted up to the invalid field, as the device does.
    std::string stringFromDate(double seconds);

private:
    struct Impl;
    std::string pattern_;
    std::unique_ptr<Impl> impl_;
};

namespace ns {
inline constinit const rt::Msg<void(id)> setDateFormat{"setDateFormat:"};
inline constinit const rt::Msg<id()> dateFormat{"dateFormat"};
inline constinit const rt::Msg<void(id)> setLocalizedDateFormatFromTemplate{"setLocalizedDateFormatFromTemplate:"};
// Nothing for anything but an NSDate.
inline constinit const rt::Msg<id(id)> stringFromDate{"stringFromDate:"};
}  // namespace ns
