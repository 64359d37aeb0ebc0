#include "foundation/DateFormatter.h"

#include <unicode/udat.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <mutex>

#include "IcuText.h"

namespace ns {

namespace {

struct Defaults {
    std::mutex mutex;
    std::string locale;
    std::string zone;
    bool loaded = false;
    std::atomic<std::uint64_t> generation{1};  // bumped on every change
};

Defaults& defaults() {
    static Defaults* d = new Defaults;
    return *d;
}

// The device's settings given at start (by the device), else en_US and UTC.
void loadDefaults(Defaults& d) {
    if (d.loaded) return;
    d.loaded = true;
    const char* locale = std::getenv("ORVELLE_LOCALE");
    const char* zone = std::getenv("ORVELLE_TZ");
    if (d.locale.empty()) d.locale = locale && *locale ? locale : "en_US";
    if (d.zone.empty()) d.zone = zone && *zone ? zone : "UTC";
}

}  // namespace

void setDefaultLocale(const std::string& locale) {
    auto& d = defaults();
    std::lock_guard lock(d.mutex);
    loadDefaults(d);
    d.locale = locale;
    ++d.generation;
}

void setDefaultTimeZone(const std::string& zone) {
    auto& d = defaults();
    std::lock_guard lock(d.mutex);
    loadDefaults(d);
    d.zone = zone;
    ++d.generation;
}

std::string defaultLocale() {
    auto& d = defaults();
    std::lock_guard lock(d.mutex);
    loadDefaults(d);
    return d.locale;
}

std::string defaultTimeZone() {
    auto& d = defaults();
    std::lock_guard lock(d.mutex);
    loadDefaults(d);
    return d.zone;
}

}  // namespace ns

// The ICU formatter is built lazily at the first format and rebuilt only when the
// process's locale or time zone changes; a new pattern is applied to it in place.
struct NSDateFormatter::Impl {
    UDateFormat* format = nullptr;
    std::uint64_t generation = 0;  // of the defaults it was built with
    std::string locale;
    std::string zone;
    std::string appliedPattern;
    bool patternApplied = false;

    ~Impl() { close(); }
    void close() {
        if (format) udat_close(format);
        format = nullptr;
    }

    bool prepare(const std::string& pattern) {
        auto& d = ns::defaults();
        if (!format || generation != d.generation.load()) {
            std::string wantLocale = ns::defaultLocale();
            std::string wantZone = ns::defaultTimeZone();
            generation = d.generation.load();
            if (!format || wantLocale != locale || wantZone != zone) {
                close();
                locale = wantLocale;
                zone = wantZone;
                std::u16string zoneId = ns::icu_text::toUtf16(zone);
                UErrorCode status = U_ZERO_ERROR;
                // Fallback warnings are normal; only a failure counts.
                format = udat_open(UDAT_PATTERN, UDAT_PATTERN, locale.c_str(),
                                   reinterpret_cast<const UChar*>(zoneId.data()), static_cast<int32_t>(zoneId.size()),
                                   u"", 0, &status);
                if (U_FAILURE(status)) close();
                patternApplied = false;
            }
        }
        if (!format) return false;
        if (!patternApplied || pattern != appliedPattern) {
            std::u16string p = ns::icu_text::toUtf16(pattern);
            // Takes every pattern: odd ones show only when formatting.
            udat_applyPattern(format, false, reinterpret_cast<const UChar*>(p.data()), static_cast<int32_t>(p.size()));
            appliedPattern = pattern;
            patternApplied = true;
        }
        return true;
    }
};

namespace {

void formatterSetDateFormat(id self, SEL cmd, id pattern) { rt::state<NSDateFormatter>(self, cmd).setDateFormat(str(pattern)); }
void formatterSetTemplate(id self, SEL cmd, id dateTemplate) {
    rt::state<NSDateFormatter>(self, cmd).setLocalizedDateFormatFromTemplate(str(dateTemplate));
}
id formatterDateFormat(id self, SEL cmd) { return NSStr(rt::state<NSDateFormatter>(self, cmd).dateFormat()); }
id formatterStringFromDate(id self, SEL cmd, id date) {
    auto d = rt::cast<NSDate>(date);
    if (!d) return {};
    return NSStr(rt::state<NSDateFormatter>(self, cmd).stringFromDate(d->timeIntervalSince1970));
}

__attribute__((constructor)) void registerDateFormatterClass() {
    registerFoundationClasses();
    rt::Class* cls =
        rt::objc_registerClass("NSDateFormatter", rt::NSObjectClass(), rt::factoryFor<NSDateFormatter>());
    rt::defineMethod(cls, ns::setDateFormat, &formatterSetDateFormat);
    rt::defineMethod(cls, ns::dateFormat, &formatterDateFormat);
    rt::defineMethod(cls, ns::setLocalizedDateFormatFromTemplate, &formatterSetTemplate);
    rt::defineMethod(cls, ns::stringFromDate, &formatterStringFromDate);
}

}  // namespace

NSDateFormatter::NSDateFormatter() : impl_(std::make_unique<Impl>()) {}
NSDateFormatter::~NSDateFormatter() = default;

void NSDateFormatter::setDateFormat(const std::string& pattern) { pattern_ = pattern; }

void NSDateFormatter::setLocalizedDateFormatFromTemplate(const std::string& dateTemplate) {
    pattern_ = ns::dateFormatFromTemplate(dateTemplate, ns::defaultLocale());
}

std::string NSDateFormatter::stringFromDate(double seconds) {
    if (!std::isfinite(seconds) || !impl_->prepare(pattern_)) return {};
    // Milliseconds, rounded as the device rounds them.
    UDate when = std::floor(seconds * 1000.0 + 0.5);
    UChar buffer[256];
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = udat_format(impl_->format, when, buffer, 256, nullptr, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR && length > 0) {
        std::u16string big(static_cast<std::size_t>(length), u'\0');
        status = U_ZERO_ERROR;
        length = udat_format(impl_->format, when, reinterpret_cast<UChar*>(big.data()), length + 1, nullptr, &status);
        return U_FAILURE(status) ? std::string() : ns::icu_text::toUtf8(reinterpret_cast<const UChar*>(big.data()), length);
    }
    return U_FAILURE(status) ? std::string() : ns::icu_text::toUtf8(buffer, length);
}
