// Removing a package: exactly the files it installed, and its folders left empty.
#include <sys/stat.h>

#include <algorithm>
#include <map>

#include "MaintainerScript.h"
#include "PackageLock.h"
#include "PackageRecords.h"
#include "PackageRelations.h"
#include "PackageFolders.h"
#include "PackageJournal.h"
#include "device/DebPackage.h"
#include "device/Packages.h"
#include "wire/Failure.h"
#include "wire/Profile.h"

namespace sim {

namespace fs = std::filesystem;
using namespace pkg;

PackageChange removePackage(const Device& device, const std::string& name) {
    device.requireExists();
    PackageLock lock = lockRecords(device);
    recoverJournal(device);
    std::vector<InstalledPackage> installed = readInstalled(device);
    auto it = std::find_if(installed.begin(), installed.end(), [&](const auto& p) { return p.name() == name; });
    if (it == installed.end()) throw Failure("cannot remove " + name + ": it is not installed");
    InstalledPackage package = *it;
    installed.erase(it);
    for (const auto& p : installed) {
        auto relations = parseRelations(p.control["Pre-Depends"] + (p.control["Pre-Depends"].empty() ? "" : ", ") + p.control["Depends"]);
        if (!relations) continue;
        for (const auto& group : *relations) {
            bool onIt = std::any_of(group.begin(), group.end(), [&](const Relation& r) { return r.package == name; });
            if (onIt && !std::any_of(group.begin(), group.end(), [&](const Relation& r) {
                    return satisfied(r, providedPackages(device), installed, name);
                }))
                throw Failure("cannot remove " + name + ": " + p.name() + " " + p.version() + " depends on it");
        }
    }

    std::map<std::string, std::string> scripts;
    for (const char* s : kMaintainerScripts) {
        std::string body = readRecord(device, infoFolder(device) / (name + "." + s));
        if (!body.empty()) scripts[s] = body;
    }
    PackageChange change;
    change.package = name;
    change.previousVersion = package.version();
    Journal journal(device, "remove " + name, name);
    std::vector<std::string> folders, files;
    for (const auto& f : package.files) {
        auto st = journal.files().status(f.substr(1));
        if (!st) journal.fail(st.reason());
        if (!*st) continue;  // already gone
        if (S_ISDIR((*st)->st_mode)) {
            folders.push_back(f);
            continue;
        }
        journal.save(f);
        files.push_back(f);
    }
    journal.after({statusText(installed), std::nullopt, {}});
    journal.dropWhenEmpty(folders);
    journal.begin();
    try {
        const ScriptRun run{readProfile(device.profileFile()).maintainerScriptSeconds,
                            [&](pid_t pid) { journal.scriptStarted(pid); }};
        auto script = [&](const std::string& which, const std::vector<std::string>& arguments) {
            auto found = scripts.find(which);
            if (found == scripts.end()) return;
            step("running " + which);
            if (auto failed = runScript(device, name, which, found->second, arguments, run)) journal.fail("its " + *failed);
        };
        script("prerm", {"remove"});
        for (const auto& f : files) {
            journal.remove(f);
            change.removed.push_back(f);
            change.tweaksChanged = change.tweaksChanged || isTweakFile(f);
        }
        script("postrm", {"remove"});
    } catch (const Failure& e) {
        if (journal.open()) journal.fail(e.what());
        throw;
    }
    journal.commit();
    auto gone = journal.finish();
    change.removed.insert(change.removed.end(), gone.begin(), gone.end());
    respringIfBooted(device, change);
    return change;
}

}  // namespace sim
