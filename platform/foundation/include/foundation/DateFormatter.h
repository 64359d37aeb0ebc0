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

}  // namespace ns

class NSDateFormatter final : public rt::Object {
public:
    NSDateFormatter();
    ~NSDateFormatter() override;
    void setDateFormat(const std::string& pattern);
    const std::string& dateFormat() const { return pattern_; }
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
// Nothing for anything but an NSDate.
inline constinit const rt::Msg<id(id)> stringFromDate{"stringFromDate:"};
}  // namespace ns
