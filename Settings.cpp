#include "Settings.h"

#include <cstdio>

#include "foundation/Conversions.h"
#include "foundation/PropertyList.h"

namespace orvelle {

id readDictionary(const std::string& path) {
    id dictionary = ns::dictionaryWithContentsOfFile(path);
    return dictionary ? dictionary : NSDictionaryNew(false);
}

id readSettings() { return readDictionary(kSettingsFile); }

namespace {
id entry(const id& dictionary, const std::string& key) {
    auto d = rt::cast<NSDictionary>(dictionary);
    return d ? d->objectForKey(key) : id{};
}
}  // namespace

bool boolEntry(const id& dictionary, const std::string& key) { return ns::boolValue(entry(dictionary, key)); }

int intEntry(const id& dictionary, const std::string& key) { return ns::intValue(entry(dictionary, key)); }

id stringEntry(const id& dictionary, const std::string& key) {
    id value = entry(dictionary, key);
    return isString(value) ? value : id{};
}

int ggg(const std::string& key, int mode) {
    id settings = readSettings();
    if (mode == kIntegerRead) {
        int value = intEntry(settings, key);
        std::printf("%i\n", value);
        std::fflush(stdout);
        return value;
    }
    return boolEntry(settings, key) ? kOn : kOff;
}

double eee() { return static_cast<double>(ggg("enableOVS", kBooleanRead)); }

bool settingOn(const std::string& key) { return ggg(key, kBooleanRead) == kOn; }

bool nineEnabled() {
    return ns::fileExistsAtPath(kNineLibrary) && settingOn("moveTop") &&
           boolEntry(readDictionary(kNineSettingsFile), "tweakEnabled");
}

}  // namespace orvelle
