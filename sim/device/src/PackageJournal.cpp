#include "PackageJournal.h"

#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <set>
#include <sstream>

#include "MaintainerScript.h"
#include "PackageFolders.h"
#include "PackageRecords.h"
#include "device/DebPackage.h"
#include "device/Process.h"
#include "wire/Failure.h"

namespace sim {

namespace fs = std::filesystem;

namespace {
std::function<void(const std::string&)> stepObserver;
}

void onPackageStep(std::function<void(const std::string&)> observer) { stepObserver = std::move(observer); }

namespace pkg {

namespace {

fs::path journalFolder(const Device& device) { return recordsFolder(device) / "journal"; }
fs::path planFile(const Device& device) { return journalFolder(device) / "plan"; }
fs::path committedFile(const Device& device) { return journalFolder(device) / "committed"; }
fs::path scriptFile(const Device& device) { return journalFolder(device) / "script"; }
fs::path savedFile(const Device& device, std::size_t i) { return journalFolder(device) / ("saved." + std::to_string(i)); }
fs::path afterFile(const Device& device, const std::string& what) { return journalFolder(device) / ("after." + what); }

std::string planText(const std::string& package, const std::vector<Saved>& saved, const std::vector<std::string>& folders,
                     const std::vector<std::string>& drop, const RecordsAfter& after) {
    std::ostringstream out;
    out << "package " << package << "\n";
    for (const Saved& s : saved) out << "saved " << (s.existed ? 1 : 0) << " " << std::oct << s.mode << std::dec << " " << s.path << "\n";
    for (const auto& f : folders) out << "folder " << f << "\n";
    for (const auto& f : drop) out << "drop " << f << "\n";
    for (const auto& [name, body] : after.scripts) out << "script " << name << "\n";
    out << "list " << (after.list ? 1 : 0) << "\n";
    return out.str();
}

Plan readPlan(const Device& device) { return parsePlan(readRecord(device, planFile(device)), planFile(device).string()); }


void clearJournal(const Device& device) {
    std::error_code ec;
    fs::remove(planFile(device), ec);  // first: what is left without it is no journal
    fs::remove_all(journalFolder(device), ec);
    if (ec) throw Failure("cannot clear the package journal " + journalFolder(device).string() + ": " + ec.message());
}

void putBack(const Device& device, const Plan& plan) {
    if (std::string running = readRecord(device, scriptFile(device)); !running.empty()) {
        std::istringstream fields(running);
        long pid = 0;
        unsigned long long start = 0;
        fields >> pid >> start;
        stopLeftScript(static_cast<pid_t>(pid), start);
    }
    DeviceFiles files(device);
    for (std::size_t i = plan.saved.size(); i-- > 0;) {
        const Saved& s = plan.saved[i];
        std::string relative = s.path.substr(1);
        if (s.existed) {
            std::string bytes = readRecord(device, savedFile(device, i), PackageLimits{}.unpackedBytes);
            if (auto done = files.replace(relative, bytes, s.mode); !done) throw Failure(done.reason());
            continue;
        }
        auto st = files.status(relative);
        if (st && *st && !S_ISDIR((*st)->st_mode))
            if (auto done = files.remove(relative); !done) throw Failure(done.reason());
    }
    for (auto it = plan.folders.rbegin(); it != plan.folders.rend(); ++it) (void)files.removeEmptyFolder(it->substr(1));
    step("rolled back");
    clearJournal(device);
}

std::vector<std::string> finishFrom(const Device& device, const Plan& plan) {
    const fs::path info = infoFolder(device);
    for (const char* s : kMaintainerScripts) {
        fs::path file = info / (plan.package + "." + s);
        if (std::find(plan.scripts.begin(), plan.scripts.end(), s) != plan.scripts.end()) {
            writeHostFile(file, readRecord(device, afterFile(device, s)));
        } else {
            std::error_code ec;
            fs::remove(file, ec);
        }
        step(std::string("recorded ") + s);
    }
    fs::path list = info / (plan.package + ".list");
    if (plan.list) {
        writeHostFile(list, readRecord(device, afterFile(device, "list")));
    } else {
        std::error_code ec;
        fs::remove(list, ec);
    }
    step("recorded the list");
    writeHostFile(statusFile(device), readRecord(device, afterFile(device, "status"), statusBound(device)));
    step("recorded the status");
    auto removed = removeEmptyFolders(device, plan.drop, readInstalled(device));
    step("removed the folders left empty");
    clearJournal(device);
    return removed;
}

}  // namespace

Plan parsePlan(const std::string& text, const std::string& shownAs) {
    auto damaged = [&](const std::string& line) -> Failure {
        return Failure("the package journal " + shownAs + " is damaged at \"" + line.substr(0, 200) + "\"");
    };
    Plan plan;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        auto space = line.find(' ');
        if (space == std::string::npos) throw damaged(line);
        std::string word = line.substr(0, space), rest = line.substr(space + 1);
        if (word == "package") {
            plan.package = rest;
        } else if (word == "saved") {
            std::istringstream fields(rest);
            int existed = 0;
            unsigned mode = 0;
            fields >> existed >> std::oct >> mode;
            if (!fields) throw damaged(line);
            std::string path;
            std::getline(fields >> std::ws, path);
            if (path.empty() || path[0] != '/' || mode > 0777) throw damaged(line);
            plan.saved.push_back({path, existed == 1, {}, mode});
        } else if (word == "folder" || word == "drop") {
            if (rest.empty() || rest[0] != '/') throw damaged(line);
            (word == "folder" ? plan.folders : plan.drop).push_back(rest);
        } else if (word == "script") {
            if (std::find(std::begin(kMaintainerScripts), std::end(kMaintainerScripts), rest) == std::end(kMaintainerScripts))
                throw damaged(line);
            plan.scripts.push_back(rest);
        } else if (word == "list") {
            plan.list = rest == "1";
        } else {
            throw damaged(line);
        }
    }
    if (!isPackageName(plan.package)) throw damaged("package " + plan.package);
    return plan;
}

void step(const std::string& what) {
    if (stepObserver) stepObserver(what);
}

Journal::Journal(const Device& device, const std::string& shownAs, const std::string& package)
    : device_(device), files_(device), shownAs_(shownAs), package_(package) {}

void Journal::save(const std::string& path) {
    if (saved_.count(path)) return;
    if (path.find('\n') != std::string::npos) fail("it has a path with a line break in it");
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
    } else {
        // The folders a new file needs are the change's too.
        for (fs::path up = fs::path(path).parent_path(); up != "/" && !up.empty(); up = up.parent_path()) {
            auto there = files_.status(up.relative_path());
            if (!there) fail(there.reason());
            if (*there) break;
            planFolder(up.string());
        }
    }
    order_.push_back(path);
    saved_[path] = std::move(s);
}

void Journal::planFolder(const std::string& path) {
    if (path.find('\n') != std::string::npos) fail("it has a path with a line break in it");
    if (std::find(folders_.begin(), folders_.end(), path) != folders_.end()) return;
    auto st = files_.status(path.substr(1));
    if (!st) fail(st.reason());
    if (*st && !S_ISDIR((*st)->st_mode)) fail(path + " in the device is not a folder, and the package has a folder there");
    if (!*st) folders_.push_back(path);
}

void Journal::begin() {
    std::sort(folders_.begin(), folders_.end(), [](const auto& a, const auto& b) { return a.size() < b.size(); });
    std::vector<Saved> saved;
    try {
        clearJournal(device_);
        std::error_code ec;
        fs::create_directories(journalFolder(device_), ec);
        if (ec) throw Failure("cannot make " + journalFolder(device_).string() + ": " + ec.message());
        for (const std::string& path : order_) {
            const Saved& s = saved_.at(path);
            if (s.existed) writeHostFile(savedFile(device_, saved.size()), s.bytes);
            saved.push_back({s.path, s.existed, {}, s.mode});
        }
        for (const auto& [name, body] : after_.scripts) writeHostFile(afterFile(device_, name), body);
        if (after_.list) writeHostFile(afterFile(device_, "list"), *after_.list);
        writeHostFile(afterFile(device_, "status"), after_.status);
        writeHostFile(planFile(device_), planText(package_, saved, folders_, drop_, after_));
    } catch (const Failure& e) {
        std::error_code ec;
        fs::remove_all(journalFolder(device_), ec);
        throw Failure("cannot " + shownAs_ + ": " + e.what());
    }
    begun_ = true;
    step("begun");
}

void Journal::scriptStarted(pid_t pid) {
    try {
        writeHostFile(scriptFile(device_), std::to_string(pid) + " " + std::to_string(processStartTime(pid)) + "\n");
    } catch (const Failure& e) {
        fail(e.what());
    }
}

void Journal::write(const std::string& path, const std::string& bytes, unsigned mode) {
    if (!saved_.count(path)) fail(path + " was not written down before it changed");
    if (auto done = files_.replace(path.substr(1), bytes, mode); !done) fail(done.reason());
    step("wrote " + path);
}

void Journal::remove(const std::string& path) {
    if (!saved_.count(path)) fail(path + " was not written down before it changed");
    if (auto done = files_.remove(path.substr(1)); !done) fail(done.reason());
    step("removed " + path);
}

void Journal::makeFolders() {
    for (const auto& folder : folders_)
        if (auto made = files_.folder(folder.substr(1), true); !made) fail(made.reason());
    step("made the folders");
}

void Journal::commit() {
    try {
        std::error_code ec;
        fs::remove(scriptFile(device_), ec);
        writeHostFile(committedFile(device_), "");
    } catch (const Failure& e) {
        fail(e.what());
    }
    step("committed");
}

std::vector<std::string> Journal::finish() {
    begun_ = false;
    try {
        return finishFrom(device_, readPlan(device_));
    } catch (const Failure& e) {
        throw Failure("cannot " + shownAs_ + ": " + e.what() + "; the change is made, and the next package command records it");
    }
}

void Journal::fail(const std::string& why) {
    if (begun_) {
        begun_ = false;
        try {
            putBack(device_, readPlan(device_));
        } catch (const Failure& e) {
            throw Failure("cannot " + shownAs_ + ": " + why + "; putting the device back failed too (" + e.what() +
                          "), and the next package command tries again");
        }
    }
    throw Failure("cannot " + shownAs_ + ": " + why);
}

bool journalPending(const Device& device) {
    std::error_code ec;
    return fs::exists(journalFolder(device), ec) || ec;
}

void recoverJournal(const Device& device) {
    if (!journalPending(device)) return;
    if (!DeviceFiles(device).isFile(planFile(device).lexically_relative(device.folder()))) return clearJournal(device);
    Plan plan = readPlan(device);
    if (DeviceFiles(device).isFile(committedFile(device).lexically_relative(device.folder())))
        finishFrom(device, plan);
    else
        putBack(device, plan);
}

}  // namespace pkg

}  // namespace sim
