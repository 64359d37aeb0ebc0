#include "wire/Profile.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <variant>

#include "wire/Failure.h"
#include "foundation/Conversions.h"
#include "foundation/PropertyList.h"

namespace sim {

namespace {

// A positive number, as a screen's sizes and scale are.
bool parseNumber(std::string_view text, double& out) {
    auto value = ns::parseFiniteNumber(text);
    if (!value || *value <= 0) return false;
    out = *value;
    return true;
}

class Reader {
public:
    Reader(const std::filesystem::path& file, const id& dict) : file_(file), dict_(rt::cast<NSDictionary>(dict)) {}

    void text(const char* key, std::string& out) const {
        if (id v = dict_->objectForKey(key)) {
            if (!isString(v)) wrongType(key, "a string");
            out = str(v);
        }
    }
    void number(const char* key, double& out) const {
        if (id v = dict_->objectForKey(key)) {
            auto n = rt::cast<NSNumber>(v);
            if (!n || std::holds_alternative<bool>(n->value)) wrongType(key, "a number");
            out = std::visit([](auto x) { return static_cast<double>(x); }, n->value);
        }
    }
    void flag(const char* key, bool& out) const {
        if (id v = dict_->objectForKey(key)) {
            auto n = rt::cast<NSNumber>(v);
            if (!n || !std::holds_alternative<bool>(n->value)) wrongType(key, "a Boolean");
            out = std::get<bool>(n->value);
        }
    }

    // A whole number within [least, most], read as a number.
    void bounded(const char* key, long long& out, long long least, long long most) const {
        double n = static_cast<double>(out);
        number(key, n);
        if (!(n >= static_cast<double>(least) && n <= static_cast<double>(most)) || n != std::floor(n))
            throw Failure(file_.string() + ": " + key + " is not a whole number from " + std::to_string(least) + " to " +
                          std::to_string(most));
        out = static_cast<long long>(n);
    }

private:
    [[noreturn]] void wrongType(const char* key, const char* expected) const {
        throw Failure(file_.string() + ": " + key + " is not " + expected);
    }
    const std::filesystem::path& file_;
    std::shared_ptr<NSDictionary> dict_;
};

}  // namespace

Profile readProfile(const std::filesystem::path& file) {
    id dict = ns::dictionaryWithContentsOfFile(file.string());
    if (!dict) throw Failure("cannot read the device profile " + file.string() + " (missing or not a property list)");
    return profileFromDictionary(dict, file);
}

Profile profileFromData(const std::string& bytes, const std::filesystem::path& shownAs) {
    id dict = ns::dictionaryFromData(bytes);
    if (!dict) throw Failure("cannot read the device profile " + shownAs.string() + " (not a property list)");
    return profileFromDictionary(dict, shownAs);
}

Profile profileFromDictionary(const id& dict, const std::filesystem::path& file) {
    Profile p;
    Reader r(file, dict);
    r.text("model", p.model);
    r.text("systemVersion", p.systemVersion);
    r.number("screenWidth", p.screenWidth);
    r.number("screenHeight", p.screenHeight);
    r.number("screenScale", p.screenScale);
    r.text("locale", p.locale);
    r.text("timeZone", p.timeZone);
    r.flag("withNine", p.withNine);
    // Bounds that leave a device able to start its programs and the machine able to hold it.
    DeviceLimits& l = p.limits;
    r.bounded("memoryLimitMiB", l.memoryMiB, 64, 1024 * 1024);
    r.bounded("processLimit", l.processes, 16, 65536);
    r.bounded("openFileLimit", l.openFiles, 64, 1 << 20);
    r.number("cpuLimitCores", l.cpuCores);
    if (!(l.cpuCores >= 0.05 && l.cpuCores <= 1024))
        throw Failure(file.string() + ": cpuLimitCores is not a number from 0.05 to 1024");
    r.bounded("cpuWeight", l.cpuWeight, 1, 10000);
    r.bounded("fileSizeLimitMiB", l.fileSizeMiB, 1, 1024 * 1024);
    r.bounded("diskLimitMiB", l.diskMiB, 16, 1024 * 1024);
    r.number("maintainerScriptSeconds", p.maintainerScriptSeconds);
    if (!(p.maintainerScriptSeconds > 0)) throw Failure(file.string() + ": maintainerScriptSeconds is not a positive number");
    return p;
}

void writeProfile(const std::filesystem::path& file, const Profile& p) {
    id dict = NSDictionaryNew();
    auto d = rt::cast<NSDictionary>(dict);
    d->setObject(NSStr(p.model), "model");
    d->setObject(NSStr(p.systemVersion), "systemVersion");
    d->setObject(NSNum(p.screenWidth), "screenWidth");
    d->setObject(NSNum(p.screenHeight), "screenHeight");
    d->setObject(NSNum(p.screenScale), "screenScale");
    d->setObject(NSStr(p.locale), "locale");
    d->setObject(NSStr(p.timeZone), "timeZone");
    d->setObject(NSNum(p.withNine), "withNine");
    d->setObject(NSNum(static_cast<std::int64_t>(p.limits.memoryMiB)), "memoryLimitMiB");
    d->setObject(NSNum(static_cast<std::int64_t>(p.limits.processes)), "processLimit");
    d->setObject(NSNum(static_cast<std::int64_t>(p.limits.openFiles)), "openFileLimit");
    d->setObject(NSNum(p.limits.cpuCores), "cpuLimitCores");
    d->setObject(NSNum(static_cast<std::int64_t>(p.limits.cpuWeight)), "cpuWeight");
    d->setObject(NSNum(static_cast<std::int64_t>(p.limits.fileSizeMiB)), "fileSizeLimitMiB");
    d->setObject(NSNum(static_cast<std::int64_t>(p.limits.diskMiB)), "diskLimitMiB");
    d->setObject(NSNum(p.maintainerScriptSeconds), "maintainerScriptSeconds");
    if (!ns::writeToFile(dict, file.string())) throw Failure("cannot write the device profile " + file.string());
}

bool parseScreen(std::string_view text, Profile& profile) {
    auto x = text.find('x');
    if (x == std::string_view::npos) return false;
    auto at = text.find('@', x);
    double w = 0, h = 0, s = profile.screenScale;
    if (!parseNumber(text.substr(0, x), w)) return false;
    if (!parseNumber(text.substr(x + 1, at == std::string_view::npos ? std::string_view::npos : at - x - 1), h))
        return false;
    if (at != std::string_view::npos && !parseNumber(text.substr(at + 1), s)) return false;
    profile.screenWidth = w;
    profile.screenHeight = h;
    profile.screenScale = s;
    return true;
}

bool isSystemVersion(std::string_view text) {
    int parts = 0;
    std::size_t i = 0;
    while (true) {
        std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        if (i == start || ++parts > 3) return false;
        if (i == text.size()) return true;
        if (text[i] != '.') return false;
        ++i;
    }
}

}  // namespace sim
