#include "preferences/PreferenceStore.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "foundation/FileLock.h"
#include "foundation/FileReplace.h"
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
// What a write of `file` cut short left; the lock of `file` held.
void removeLeftovers(const std::string& file) {
    auto removed = ns::removeLeftTemporaries(file);
    if (!removed)
        NSLog("Preferences: %s", removed.reason().c_str());
    else if (*removed)
        NSLog("Preferences: removed %zu temporary files an interrupted write of %s left", *removed, file.c_str());
}

}  // namespace

void removeInterruptedWrites() {
    DIR* dir = opendir(folder().c_str());
    if (!dir) return;
    std::vector<std::string> domains;
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        // ".DOMAIN.plist.DIGITS.tmp"
        auto plist = name.find(".plist.");
        if (name.size() > 5 && name[0] == '.' && name.ends_with(".tmp") && plist != std::string::npos)
            domains.push_back(name.substr(1, plist - 1));
    }
    closedir(dir);
    std::sort(domains.begin(), domains.end());
    domains.erase(std::unique(domains.begin(), domains.end()), domains.end());
    for (const std::string& domain : domains) {
        std::string file = domainFile(domain);
        if (file.empty()) continue;
        auto lock = ns::FileLock::beside(file, kLockWait);
        if (!lock) {
            NSLog("Preferences: %s", lock.reason().c_str());
            continue;
        }
        removeLeftovers(file);
    }
}

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
    removeLeftovers(file);
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
