#include "preferences/PreferenceStore.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "foundation/FileLock.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"

namespace ps {

namespace {
// How long a change waits for another writer of the same domain.
constexpr double kLockWait = 5;

std::string& folder() {
    static std::string f = "/var/mobile/Library/Preferences";
    return f;
}
}  // namespace

const std::string& preferencesFolder() { return folder(); }
void setPreferencesFolder(std::string f) { folder() = std::move(f); }

std::string domainFile(std::string_view domain) {
    if (domain.empty() || domain == "." || domain == ".." || domain.find('/') != std::string_view::npos ||
        domain.find('\0') != std::string_view::npos)
        return {};
    return folder() + "/" + std::string(domain) + ".plist";
}

id storedValue(std::string_view domain, std::string_view key) {
    std::string file = domainFile(domain);
    if (file.empty()) return {};
    auto dict = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(file));
    return dict ? dict->objectForKey(key) : id{};
}

ns::Result<> storeValue(std::string_view domain, std::string_view key, const id& value) {
    std::string file = domainFile(domain);
    if (file.empty()) return ns::fail("preferences domain \"" + std::string(domain) + "\" is not a file name");
    if (key.empty()) return ns::fail("row of domain \"" + std::string(domain) + "\" has no key");
    // Read, changed and written under the lock beside the file that every
    // writer of a domain takes (the tool, another Settings window), so
    // changes made at the same time all land.
    auto lock = ns::FileLock::beside(file, kLockWait);
    if (!lock) return ns::fail(lock.reason());
    id dict = ns::mutableDictionaryWithContentsOfFile(file);
    if (!dict) {
        if (ns::fileExistsAtPath(file)) {
            // Someone else's bytes: keep them for a person to look at instead of writing over them.
            std::string aside = file + ".unreadable";
            if (std::rename(file.c_str(), aside.c_str()) != 0)
                return ns::fail("cannot move unreadable " + file + " aside: " + std::strerror(errno));
            NSLog("Preferences: %s was no readable dictionary; kept as %s", file.c_str(), aside.c_str());
        }
        dict = NSDictionaryNew();
    }
    rt::cast<NSDictionary>(dict)->setObject(value, std::string(key));
    if (!ns::writeToFile(dict, file, true)) return ns::fail("cannot write " + file);
    return {};
}

}  // namespace ps
