// A package change written down before it touches the device, as Debian's
// package manager records a package half-installed: what each path held
// before (its bytes kept beside the records), the folders the change makes,
// and the records it leaves once done. A change is rolled back until it
// commits and finished after; a command killed at any step leaves a journal
// that the next package command rolls back or finishes, so the records
// always match the files.
#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "device/Device.h"
#include "device/DeviceFiles.h"
#include "device/Packages.h"

namespace sim::pkg {

// What stood at a path before the change.
struct Saved {
    std::string path;
    bool existed = false;
    std::string bytes;
    unsigned mode = 0644;
};

// The package's records once the change is done; no list for a removal.
struct RecordsAfter {
    std::string status;
    std::optional<std::string> list;
    std::map<std::string, std::string> scripts;  // by name: postinst, ...
};

class Journal {
public:
    Journal(const Device& device, const std::string& shownAs, const std::string& package);

    // Before begin(): what the change will touch.
    // A regular file (or nothing) at `path`, kept to put back.
    void save(const std::string& path);
    const Saved& saved(const std::string& path) const { return saved_.at(path); }
    // A folder the change has; made when it is not there.
    void planFolder(const std::string& path);
    // Folders to remove once done, when they are left empty.
    void dropWhenEmpty(const std::vector<std::string>& folders) { drop_ = folders; }
    void after(RecordsAfter records) { after_ = std::move(records); }

    // Written down: from here on a kill rolls the change back.
    void begin();
    // A maintainer script runs; a recovery stops what is left of it.
    void scriptStarted(pid_t pid);
    void write(const std::string& path, const std::string& bytes, unsigned mode);
    void remove(const std::string& path);
    void makeFolders();
    // From here on a kill finishes the change.
    void commit();
    // The records as after the change, the folders left empty removed (answered), the journal gone.
    std::vector<std::string> finish();
    // Puts everything back and throws "cannot SHOWN: why".
    [[noreturn]] void fail(const std::string& why);

    // Begun and neither put back nor finished yet.
    bool open() const { return begun_; }
    const DeviceFiles& files() const { return files_; }

private:
    const Device& device_;
    DeviceFiles files_;
    std::string shownAs_, package_;
    std::vector<std::string> order_;
    std::map<std::string, Saved> saved_;
    std::vector<std::string> folders_;  // to make, outermost first
    std::vector<std::string> drop_;
    RecordsAfter after_;
    bool begun_ = false;
};

// A journal as written down: what each path held (its bytes kept apart),
// the folders the change makes, the folders it empties, and the records after.
struct Plan {
    std::string package;
    std::vector<Saved> saved;  // bytes not read
    std::vector<std::string> folders, drop, scripts;
    bool list = false;
};
// A journal's plan from its text; fails naming `shownAs` and the damaged line.
Plan parsePlan(const std::string& text, const std::string& shownAs);

// Whether a change was written down and not yet finished or rolled back.
bool journalPending(const Device& device);
// Rolls back or finishes what a journal holds; the lock must be held.
void recoverJournal(const Device& device);
// A step of a change (for the tests that stop a change there).
void step(const std::string& what);

}  // namespace sim::pkg
