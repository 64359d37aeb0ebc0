#include "device/Packages.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "device/Boot.h"
#include "device/DebPackage.h"
#include "device/DeviceFiles.h"
#include "device/DeviceLog.h"
#include "device/Failure.h"
#include "device/InsidePaths.h"
#include "device/Profile.h"
#include "device/Sandbox.h"
#include "foundation/FileLock.h"
#include "foundation/FileReplace.h"

namespace sim {

namespace fs = std::filesystem;

namespace {

// The device's own trees: a package puts nothing anywhere else.
constexpr const char* kTrees[] = {"/Library", "/var"};
constexpr double kLockSeconds = 30;

bool within(const std::string& path, const std::string& top) {
    return path == top || (path.size() > top.size() && path.compare(0, top.size(), top) == 0 && path[top.size()] == '/');
}

bool isTweakFile(const std::string& path) {
    if (!within(path, inside::kDynamicLibraries) || path.find('/', std::string(inside::kDynamicLibraries).size() + 1) != std::string::npos)
        return false;
    auto dot = path.rfind('.');
    return dot != std::string::npos && (path.compare(dot, std::string::npos, ".dylib") == 0 ||
                                        path.compare(dot, std::string::npos, ".plist") == 0);
}

fs::path recordsFolder(const Device& device) { return device.hostFolder() / "dpkg"; }
fs::path infoFolder(const Device& device) { return recordsFolder(device) / "info"; }
fs::path statusFile(const Device& device) { return recordsFolder(device) / "status"; }

// A record of the package manager, read as every file of a device folder is:
// no link followed, bounded; a record that is not there reads as empty.
std::string readRecord(const Device& device, const fs::path& file) {
    DeviceFiles files(device);
    fs::path relative = file.lexically_relative(device.folder());
    auto there = files.status(relative);
    if (!there) throw Failure(there.reason());
    if (!*there) return {};
    auto bytes = files.read(relative);
    if (!bytes) throw Failure(bytes.reason());
    return *bytes;
}

void writeHostFile(const fs::path& file, const std::string& bytes) {
    if (auto written = ns::replaceFile(file.string(), bytes); !written) throw Failure(written.reason());
}

// The paragraphs of a status file.
std::vector<std::string> paragraphs(const std::string& text) {
    std::vector<std::string> out;
    std::string current;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) {
            if (!current.empty()) out.push_back(current);
            current.clear();
            continue;
        }
        current += line + "\n";
    }
    if (!current.empty()) out.push_back(current);
    return out;
}

// The package manager's lock of a device, held for a whole change.
ns::FileLock lockRecords(const Device& device) {
    std::error_code ec;
    fs::create_directories(infoFolder(device), ec);
    if (ec) throw Failure("cannot make " + infoFolder(device).string() + ": " + ec.message());
    auto lock = ns::FileLock::beside(statusFile(device).string(), kLockSeconds);
    if (!lock) throw Failure(lock.reason());
    return std::move(*lock);
}

void writeRecords(const Device& device, const std::vector<InstalledPackage>& installed) {
    std::string status;
    for (const InstalledPackage& p : installed) {
        status += p.control.text + "\nStatus: install ok installed\n\n";
    }
    writeHostFile(statusFile(device), status);
}

std::string listText(const std::vector<std::string>& files) {
    std::string text;
    for (const auto& f : files) text += f + "\n";
    return text;
}

// A maintainer script run inside the device's sandbox as its user: joining a
// booted device, in a fresh sandbox of a stopped one. Answers the failure's
// line, nothing when it ran through.
std::optional<std::string> runScript(const Device& device, const std::string& package, const std::string& name,
                                     const std::string& body, const std::vector<std::string>& arguments) {
    auto memory = [&](const char* what) {
        int fd = memfd_create(what, MFD_CLOEXEC);
        if (fd < 0) failWithErrno("cannot hand the " + name + " of " + package + " to the device");
        return UniqueFd(fd);
    };
    UniqueFd script = memory("maintainer-script"), output = memory("maintainer-script-output");
    if (write(script.get(), body.data(), body.size()) != static_cast<ssize_t>(body.size()))
        failWithErrno("cannot hand the " + name + " of " + package + " to the device");
    LaunchSpec spec;
    // The script is the descriptor the program gets first: the device runs
    // it as it is, with its own interpreter line, and it is never a file
    // that the device could change under the tool.
    spec.command = {"/proc/self/fd/" + std::to_string(kFirstPassedFd)};
    spec.command.insert(spec.command.end(), arguments.begin(), arguments.end());
    spec.passFds = {script.get()};
    spec.stdinFd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    UniqueFd nothing(spec.stdinFd);
    spec.stdoutFd = spec.stderrFd = output.get();
    spec.workingFolder = "/";
    spec.environment = deviceEnvironment(readProfile(device.profileFile()));
    spec.environment.emplace_back("DPKG_MAINTSCRIPT_PACKAGE", package);
    spec.environment.emplace_back("DPKG_MAINTSCRIPT_NAME", name);
    spec.environment.emplace_back("DPKG_MAINTSCRIPT_ARCH", deviceArchitecture());
    auto booted = bootState(device);
    if (booted) {
        spec.entry = Entry::Join;
        spec.booted = &*booted;
    } else {
        spec.entry = Entry::Fresh;
    }
    int code = runToEnd(device, spec);
    if (code == 0) return std::nullopt;
    struct stat st {};
    fstat(output.get(), &st);
    std::size_t size = static_cast<std::size_t>(std::min<off_t>(st.st_size, 4096));
    std::string tail(size, '\0');
    ssize_t n = pread(output.get(), tail.data(), size, st.st_size - static_cast<off_t>(size));
    tail.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    std::string last = lastLine(tail);
    return name + " failed (exit " + std::to_string(code) + ")" + (last.empty() ? "" : ": " + last);
}

// What stood at a path before a change, to put back when the change fails.
struct Saved {
    std::string path;
    bool existed = false;
    std::string bytes;
    unsigned mode = 0644;
};

class Transaction {
public:
    Transaction(const Device& device, const std::string& shownAs) : files_(device), shownAs_(shownAs) {}

    [[noreturn]] void fail(const std::string& why) {
        rollBack();
        throw Failure("cannot " + shownAs_ + ": " + why);
    }

    // Remembers a file before it changes (once); refuses what is not a regular file.
    void save(const std::string& path) {
        if (saved_.count(path)) return;
        auto st = files_.status(path.substr(1));
        if (!st) fail(st.reason());
        Saved s{path, false, {}, 0644};
        if (*st) {
            if (!S_ISREG((*st)->st_mode))
                fail(path + " in the device is " + (S_ISDIR((*st)->st_mode) ? "a folder" : "not a regular file") +
                     ", and a package replaces only regular files");
            auto bytes = files_.read(path.substr(1), PackageLimits{}.unpackedBytes);
            if (!bytes) fail(bytes.reason());
            s.existed = true;
            s.bytes = std::move(*bytes);
            s.mode = (*st)->st_mode & 0777;
        }
        order_.push_back(path);
        saved_[path] = std::move(s);
    }

    const Saved& saved(const std::string& path) const { return saved_.at(path); }

    void write(const std::string& path, const std::string& bytes, unsigned mode) {
        save(path);
        if (auto done = files_.replace(path.substr(1), bytes, mode); !done) fail(done.reason());
    }

    void remove(const std::string& path) {
        save(path);
        if (auto done = files_.remove(path.substr(1)); !done) fail(done.reason());
    }

    void makeFolder(const std::string& path) {
        auto st = files_.status(path.substr(1));
        if (!st) fail(st.reason());
        if (*st && !S_ISDIR((*st)->st_mode)) fail(path + " in the device is not a folder, and the package has a folder there");
        if (*st) return;
        if (auto made = files_.folder(path.substr(1), true); !made) fail(made.reason());
        madeFolders_.push_back(path);
    }

    // Puts every saved file back as it was, and removes the folders it made.
    void rollBack() {
        for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
            const Saved& s = saved_[*it];
            if (s.existed)
                (void)files_.replace(s.path.substr(1), s.bytes, s.mode);
            else
                (void)files_.remove(s.path.substr(1));
        }
        for (auto it = madeFolders_.rbegin(); it != madeFolders_.rend(); ++it) (void)files_.removeEmptyFolder(it->substr(1));
        order_.clear();
        saved_.clear();
        madeFolders_.clear();
    }

    const DeviceFiles& files() const { return files_; }

private:
    DeviceFiles files_;
    std::string shownAs_;
    std::vector<std::string> order_;
    std::map<std::string, Saved> saved_;
    std::vector<std::string> madeFolders_;
};

// The device's own layout, which no removal takes away.
std::set<std::string> layoutFolders(const Device& device) {
    std::set<std::string> out;
    for (const fs::path& f : {device.varFolder(), device.preferencesFolder(), device.libraryFolder(),
                              device.dynamicLibrariesFolder(), device.preferenceLoaderFolder(),
                              device.preferenceBundlesFolder(), device.supportFolder()}) {
        for (fs::path p = f.lexically_relative(device.folder()); !p.empty() && p != "."; p = p.parent_path())
            out.insert("/" + p.string());
    }
    return out;
}

// Removes the folders of `folders` that are left empty, deepest first, but
// none that another package or the device's layout keeps.
std::vector<std::string> removeEmptyFolders(const Device& device, const std::vector<std::string>& folders,
                                            const std::vector<InstalledPackage>& others) {
    std::set<std::string> kept = layoutFolders(device);
    for (const auto& p : others) kept.insert(p.files.begin(), p.files.end());
    std::vector<std::string> sorted(folders.begin(), folders.end());
    std::sort(sorted.begin(), sorted.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    DeviceFiles files(device);
    std::vector<std::string> removed;
    for (const auto& folder : sorted) {
        if (kept.count(folder)) continue;
        if (auto gone = files.removeEmptyFolder(folder.substr(1)); gone && *gone) removed.push_back(folder);
    }
    return removed;
}

// Why a relation is not met by what the device provides and has installed;
// nothing when it is.
bool satisfied(const Relation& r, const std::vector<ProvidedPackage>& provided,
               const std::vector<InstalledPackage>& installed, const std::string& except) {
    for (const auto& p : provided)
        if (p.name == r.package && meets(p.version, r)) return true;
    for (const auto& p : installed) {
        if (p.name() == except) continue;
        if (p.name() == r.package && meets(p.version(), r)) return true;
        if (!r.op.empty()) continue;  // a provided name has no version to compare
        auto provides = parseRelations(p.control["Provides"]);
        if (!provides) continue;
        for (const auto& group : *provides)
            for (const auto& name : group)
                if (name.package == r.package) return true;
    }
    return false;
}

std::string whatIsThere(const std::string& name, const std::vector<ProvidedPackage>& provided,
                        const std::vector<InstalledPackage>& installed) {
    for (const auto& p : provided)
        if (p.name == name) return " (it has " + name + " " + p.version + ")";
    for (const auto& p : installed)
        if (p.name() == name) return " (it has " + name + " " + p.version() + " installed)";
    return "";
}

std::string groupText(const std::vector<Relation>& group) {
    std::string text;
    for (const auto& r : group) text += (text.empty() ? "" : " | ") + r.text();
    return text;
}

void respringIfBooted(const Device& device, PackageChange& change) {
    if (!change.tweaksChanged || !bootState(device)) return;
    respring(device);
    change.resprung = true;
}

PackageChange install(const Device& device, const DebPackage& package, const ControlFields& control,
                      const std::string& shownAs) {
    const std::string name = control["Package"];
    const std::string version = control["Version"];
    auto refuse = [&](const std::string& why) -> void { throw Failure("cannot install " + shownAs + ": " + why); };

    ns::FileLock lock = lockRecords(device);
    std::vector<InstalledPackage> installed = installedPackages(device);
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
    std::set<std::string> newFiles;
    for (const PackageEntry& e : package.entries) {
        if (!std::any_of(std::begin(kTrees), std::end(kTrees), [&](const char* top) { return within(e.path, top); }))
            refuse("it has ." + e.path + ", outside the device's own trees (/Library and /var)");
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
    Transaction t(device, "install " + shownAs);
    // The new version's scripts are "its"; the installed version's are named.
    auto script = [&](const std::map<std::string, std::string>& scripts, const std::string& which,
                      const std::vector<std::string>& arguments) {
        auto it = scripts.find(which);
        if (it == scripts.end()) return;
        if (auto failed = runScript(device, name, which, it->second, arguments))
            t.fail((&scripts == &package.scripts ? "its " : "the installed " + old->version() + "'s ") + *failed);
    };
    std::map<std::string, std::string> oldScripts;
    if (old)
        for (const char* s : kMaintainerScripts) {
            std::string body = readRecord(device, infoFolder(device) / (name + "." + s));
            if (!body.empty()) oldScripts[s] = body;
        }

    if (old) script(oldScripts, "prerm", {"upgrade", version});
    if (old)
        script(package.scripts, "preinst", {"upgrade", old->version()});
    else
        script(package.scripts, "preinst", {"install"});

    for (const PackageEntry& e : package.entries) {
        if (e.folder) {
            t.makeFolder(e.path);
            continue;
        }
        t.write(e.path, e.bytes, e.mode);
        const Saved& before = t.saved(e.path);
        if (!before.existed || before.bytes != e.bytes) {
            change.written.push_back(e.path);
            change.tweaksChanged = change.tweaksChanged || isTweakFile(e.path);
        }
    }
    std::vector<std::string> oldFolders;
    if (old) {
        std::set<std::string> newListed(listed.begin(), listed.end());
        for (const auto& f : old->files) {
            if (newListed.count(f)) continue;
            auto st = t.files().status(f.substr(1));
            if (st && *st && S_ISDIR((*st)->st_mode)) {
                oldFolders.push_back(f);
                continue;
            }
            t.remove(f);
            change.removed.push_back(f);
            change.tweaksChanged = change.tweaksChanged || isTweakFile(f);
        }
        script(oldScripts, "postrm", {"upgrade", version});
    }
    if (old)
        script(package.scripts, "postinst", {"configure", old->version()});
    else
        script(package.scripts, "postinst", {"configure"});

    // Recorded last: a failure before leaves the old records with the old files.
    try {
        for (const char* s : kMaintainerScripts) {
            fs::path file = infoFolder(device) / (name + "." + s);
            auto it = package.scripts.find(s);
            std::error_code ec;
            if (it == package.scripts.end())
                fs::remove(file, ec);
            else
                writeHostFile(file, it->second);
        }
        writeHostFile(infoFolder(device) / (name + ".list"), listText(listed));
        std::vector<InstalledPackage> now = others;
        now.push_back(InstalledPackage{control, listed});
        std::sort(now.begin(), now.end(), [](const auto& a, const auto& b) { return a.name() < b.name(); });
        writeRecords(device, now);
    } catch (const Failure& e) {
        t.fail(e.what());
    }
    if (!oldFolders.empty()) {
        auto gone = removeEmptyFolders(device, oldFolders, others);
        change.removed.insert(change.removed.end(), gone.begin(), gone.end());
    }
    respringIfBooted(device, change);
    return change;
}

}  // namespace

const std::string& deviceArchitecture() {
    static const std::string architecture = ORVELLE_DEVICE_ARCHITECTURE;
    return architecture;
}

std::vector<ProvidedPackage> providedPackages(const Device& device) {
    // The versions the phones of these systems had, so that the usual lower
    // bounds of tweaks' Depends hold.
    return {{"mobilesubstrate", "0.9.7200"},
            {"preferenceloader", "2.2.6"},
            {"firmware", readProfile(device.profileFile()).systemVersion}};
}

std::vector<InstalledPackage> installedPackages(const Device& device) {
    std::vector<InstalledPackage> out;
    for (const std::string& paragraph : paragraphs(readRecord(device, statusFile(device)))) {
        auto fields = parseControl(paragraph);
        if (!fields) throw Failure("the package records of " + device.folder().string() + " are damaged: " + fields.reason());
        // The record's own status line is not the package's.
        std::string text;
        std::istringstream lines(fields->text);
        std::string line;
        while (std::getline(lines, line))
            if (line.rfind("Status:", 0) != 0) text += (text.empty() ? "" : "\n") + line;
        auto control = parseControl(text);
        if (!control) throw Failure("the package records of " + device.folder().string() + " are damaged: " + control.reason());
        InstalledPackage p{*control, {}};
        std::istringstream list(readRecord(device, infoFolder(device) / (p.name() + ".list")));
        while (std::getline(list, line))
            if (!line.empty()) p.files.push_back(line);
        out.push_back(std::move(p));
    }
    return out;
}

const InstalledPackage* ownerOf(const std::vector<InstalledPackage>& installed, const std::string& path) {
    for (const auto& p : installed)
        if (std::find(p.files.begin(), p.files.end(), path) != p.files.end()) return &p;
    return nullptr;
}

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

PackageChange removePackage(const Device& device, const std::string& name) {
    device.requireExists();
    ns::FileLock lock = lockRecords(device);
    std::vector<InstalledPackage> installed = installedPackages(device);
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
    Transaction t(device, "remove " + name);
    auto script = [&](const std::string& which, const std::vector<std::string>& arguments) {
        auto found = scripts.find(which);
        if (found == scripts.end()) return;
        if (auto failed = runScript(device, name, which, found->second, arguments)) t.fail("its " + *failed);
    };
    script("prerm", {"remove"});
    std::vector<std::string> folders;
    for (const auto& f : package.files) {
        auto st = t.files().status(f.substr(1));
        if (!st) t.fail(st.reason());
        if (!*st) continue;  // already gone
        if (S_ISDIR((*st)->st_mode)) {
            folders.push_back(f);
            continue;
        }
        t.remove(f);
        change.removed.push_back(f);
        change.tweaksChanged = change.tweaksChanged || isTweakFile(f);
    }
    script("postrm", {"remove"});
    try {
        writeRecords(device, installed);
    } catch (const Failure& e) {
        t.fail(e.what());
    }
    for (const char* s : {"list", "preinst", "postinst", "prerm", "postrm"}) {
        std::error_code ec;
        fs::remove(infoFolder(device) / (name + "." + s), ec);
    }
    auto gone = removeEmptyFolders(device, folders, installed);
    change.removed.insert(change.removed.end(), gone.begin(), gone.end());
    respringIfBooted(device, change);
    return change;
}

}  // namespace sim
