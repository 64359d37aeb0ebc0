// Installing and upgrading a package: checked whole against the device
// first, then its scripts and files, recorded last.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>

#include "MaintainerScript.h"
#include "PackageLock.h"
#include "PackageRecords.h"
#include "PackageRelations.h"
#include "PackageFolders.h"
#include "PackageJournal.h"
#include "device/DebPackage.h"
#include "device/Packages.h"
#include "foundation/UniqueFd.h"
#include "wire/Failure.h"
#include "wire/Profile.h"

namespace sim {

namespace fs = std::filesystem;
using namespace pkg;
using ns::UniqueFd;

namespace {

// The scripts and the files of a journaled change, in the order the
// package manager of Debian runs them.
PackageChange changeFiles(const Device& device, const DebPackage& package, const InstalledPackage* old,
                          const std::map<std::string, std::string>& oldScripts, const std::vector<std::string>& gone,
                          Journal& journal, PackageChange change) {
    const std::string& name = change.package;
    const std::string& version = change.version;
    const ScriptRun run{readProfile(device.profileFile()).maintainerScriptSeconds,
                        [&](pid_t pid) { journal.scriptStarted(pid); }};
    // The new version's scripts are "its"; the installed version's are named.
    auto script = [&](const std::map<std::string, std::string>& scripts, const std::string& which,
                      const std::vector<std::string>& arguments) {
        auto it = scripts.find(which);
        if (it == scripts.end()) return;
        step("running " + which);
        if (auto failed = runScript(device, name, which, it->second, arguments, run))
            journal.fail((&scripts == &package.scripts ? "its " : "the installed " + old->version() + "'s ") + *failed);
    };
    if (old) script(oldScripts, "prerm", {"upgrade", version});
    if (old)
        script(package.scripts, "preinst", {"upgrade", old->version()});
    else
        script(package.scripts, "preinst", {"install"});

    journal.makeFolders();
    for (const PackageEntry& e : package.entries) {
        if (e.folder) continue;
        journal.write(e.path, e.bytes, e.mode);
        const Saved& before = journal.saved(e.path);
        if (!before.existed || before.bytes != e.bytes) {
            change.written.push_back(e.path);
            change.tweaksChanged = change.tweaksChanged || isTweakFile(e.path);
        }
    }
    for (const auto& f : gone) {
        journal.remove(f);
        change.removed.push_back(f);
        change.tweaksChanged = change.tweaksChanged || isTweakFile(f);
    }
    if (old) script(oldScripts, "postrm", {"upgrade", version});
    if (old)
        script(package.scripts, "postinst", {"configure", old->version()});
    else
        script(package.scripts, "postinst", {"configure"});
    return change;
}

PackageChange install(const Device& device, const DebPackage& package, const ControlFields& control,
                      const std::string& shownAs) {
    const std::string name = control["Package"];
    const std::string version = control["Version"];
    auto refuse = [&](const std::string& why) -> void { throw Failure("cannot install " + shownAs + ": " + why); };

    PackageLock lock = lockRecords(device);
    recoverJournal(device);
    std::vector<InstalledPackage> installed = readInstalled(device);
    std::vector<ProvidedPackage> provided = providedPackages(device);
    const InstalledPackage* old = nullptr;
    std::vector<InstalledPackage> others;
    for (const auto& p : installed) {
        if (p.name() == name)
            old = &p;
        else
            others.push_back(p);
    }

    for (const char* field : {"Pre-Depends", "Depends"}) {
        auto relations = parseRelations(control[field]);
        if (!relations) refuse("its " + std::string(field) + " field: " + relations.reason());
        for (const auto& group : *relations) {
            bool met = std::any_of(group.begin(), group.end(),
                                   [&](const Relation& r) { return satisfied(r, provided, installed, name); });
            if (!met)
                refuse("it depends on " + groupText(group) + ", which this device does not provide" +
                       whatIsThere(group.front().package, provided, installed));
        }
    }
    for (const char* field : {"Conflicts", "Breaks"}) {
        auto relations = parseRelations(control[field]);
        if (!relations) refuse("its " + std::string(field) + " field: " + relations.reason());
        for (const auto& group : *relations)
            for (const auto& r : group)
                for (const auto& p : others)
                    if (p.name() == r.package && meets(p.version(), r))
                        refuse("it conflicts with " + p.name() + " " + p.version() + ", which is installed");
    }
    for (const auto& p : others) {
        auto relations = parseRelations(p.control["Conflicts"]);
        if (!relations) continue;
        for (const auto& group : *relations)
            for (const auto& r : group)
                if (r.package == name && meets(version, r))
                    refuse(p.name() + " " + p.version() + ", which is installed, conflicts with it");
    }

    // Where it puts what: only the device's own trees, nothing of another package's.
    std::vector<std::string> listed;
    std::set<std::string> newFiles, listedSet;
    for (const PackageEntry& e : package.entries) {
        if (!std::any_of(std::begin(kTrees), std::end(kTrees), [&](const char* top) { return within(e.path, top); }))
            refuse("it has ." + e.path + ", outside the device's own trees (/Library and /var)");
        // The folders its files sit in are its too, archived or not, so that
        // a removal takes those it left empty.
        std::vector<std::string> above;
        for (fs::path up = fs::path(e.path).parent_path(); up != "/" && !up.empty(); up = up.parent_path())
            if (!listedSet.count(up.string())) above.push_back(up.string());
        for (auto it = above.rbegin(); it != above.rend(); ++it) {
            listedSet.insert(*it);
            listed.push_back(*it);
        }
        if (listedSet.count(e.path)) continue;
        listedSet.insert(e.path);
        if (!e.folder) {
            if (const InstalledPackage* owner = ownerOf(others, e.path))
                refuse("it has " + e.path + ", which belongs to " + owner->name() + " " + owner->version());
            newFiles.insert(e.path);
        }
        listed.push_back(e.path);
    }

    PackageChange change;
    change.package = name;
    change.version = version;
    change.previousVersion = old ? old->version() : "";
    std::map<std::string, std::string> oldScripts;
    if (old)
        for (const char* s : kMaintainerScripts) {
            std::string body = readRecord(device, infoFolder(device) / (name + "." + s));
            if (!body.empty()) oldScripts[s] = body;
        }

    // Everything the change touches is written down before anything changes.
    Journal journal(device, "install " + shownAs, name);
    for (const PackageEntry& e : package.entries) {
        if (e.folder)
            journal.planFolder(e.path);
        else
            journal.save(e.path);
    }
    std::vector<std::string> gone, oldFolders;
    if (old) {
        std::set<std::string> newListed(listed.begin(), listed.end());
        for (const auto& f : old->files) {
            if (newListed.count(f)) continue;
            auto st = journal.files().status(f.substr(1));
            if (!st) journal.fail(st.reason());
            if (!*st) continue;  // already gone
            if (S_ISDIR((*st)->st_mode)) {
                oldFolders.push_back(f);
                continue;
            }
            journal.save(f);
            gone.push_back(f);
        }
    }
    std::vector<InstalledPackage> now = others;
    now.push_back(InstalledPackage{control, listed});
    std::sort(now.begin(), now.end(), [](const auto& a, const auto& b) { return a.name() < b.name(); });
    journal.after({statusText(now), listText(listed), package.scripts});
    journal.dropWhenEmpty(oldFolders);
    journal.begin();
    try {
        change = changeFiles(device, package, old, oldScripts, gone, journal, std::move(change));
    } catch (const Failure& e) {
        if (journal.open()) journal.fail(e.what());
        throw;
    }
    journal.commit();
    auto emptied = journal.finish();
    change.removed.insert(change.removed.end(), emptied.begin(), emptied.end());
    respringIfBooted(device, change);
    return change;
}


}  // namespace

PackageChange installPackageBytes(const Device& device, std::string_view bytes, const std::string& shownAs) {
    device.requireExists();
    auto refuse = [&](const std::string& why) -> void { throw Failure("cannot install " + shownAs + ": " + why); };
    auto package = readPackage(bytes);
    if (!package) refuse("it " + package.reason());
    auto control = parseControl(package->control);
    if (!control) refuse(control.reason());
    const ControlFields& c = *control;
    if (!isPackageName(c["Package"])) refuse("its Package field \"" + c["Package"] + "\" is not a package name");
    if (!isPackageVersion(c["Version"])) refuse("its Version field \"" + c["Version"] + "\" is not a version");
    const std::string arch = c["Architecture"];
    if (arch != deviceArchitecture() && arch != "all")
        refuse("it is built for " + (arch.empty() ? std::string("no architecture") : arch) + ", and this device runs " +
               deviceArchitecture() + " programs");
    return install(device, *package, c, shownAs);
}

PackageChange installPackage(const Device& device, const fs::path& file) {
    const std::string shown = file.string();
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) failWithErrno("cannot install " + shown);
    UniqueFd held(fd);
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) throw Failure("cannot install " + shown + ": it is not a regular file");
    const std::uint64_t most = PackageLimits{}.packageBytes;
    if (static_cast<std::uint64_t>(st.st_size) > most)
        throw Failure("cannot install " + shown + ": it is " + std::to_string(st.st_size) + " bytes, more than the " +
                      std::to_string(most) + " a package may have");
    std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(got));
        if (n < 0) failWithErrno("cannot read " + shown);
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return installPackageBytes(device, bytes, fs::path(file).filename().string());
}

}  // namespace sim
