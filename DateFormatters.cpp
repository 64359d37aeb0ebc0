#include "DateFormatters.h"

#include <map>
#include <memory>
#include <tuple>

#include "foundation/DateFormatter.h"

namespace orvelle {

namespace {

// Users type their own date patterns; a few kept formatters cover any one
// configuration, so the table is simply emptied when it grows past that.
constexpr std::size_t kMaxKept = 16;

using Key = std::tuple<std::string, std::string, std::string>;  // pattern, locale, zone

struct Formatters {
    bool on = true;
    std::map<Key, std::shared_ptr<NSDateFormatter>> kept;
};

Formatters& formatters() {
    static Formatters* f = new Formatters;  // timers may still fire while the process exits
    return *f;
}

std::shared_ptr<NSDateFormatter> freshFormatter(const std::string& pattern) {
    auto formatter = rt::cast<NSDateFormatter>(rt::allocInit("NSDateFormatter"));
    if (!formatter) formatter = std::make_shared<NSDateFormatter>();
    formatter->setDateFormat(pattern);
    return formatter;
}

}  // namespace

std::string formatDate(const std::string& pattern, double seconds) {
    Formatters& f = formatters();
    if (!f.on) return freshFormatter(pattern)->stringFromDate(seconds);
    Key key{pattern, ns::defaultLocale(), ns::defaultTimeZone()};
    auto found = f.kept.find(key);
    if (found == f.kept.end()) {
        if (f.kept.size() >= kMaxKept) f.kept.clear();
        found = f.kept.emplace(std::move(key), freshFormatter(pattern)).first;
    }
    return found->second->stringFromDate(seconds);
}

void setFormatterCaching(bool on) {
    Formatters& f = formatters();
    f.on = on;
    f.kept.clear();
}

}  // namespace orvelle
