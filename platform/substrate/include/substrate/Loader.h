// The tweak loader: loads the libraries of a folder into this process, each
// when the filter plist beside it matches the process, as the device does.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Objects.h"

namespace substrate {

// What a filter is matched against.
struct LoaderProcess {
    std::string executable;            // basename of argv[0]
    std::vector<std::string> bundles;  // identifiers of the bundles loaded in the process
    double coreFoundationVersion = 0;  // see coreFoundationVersionFor
};

// The framework version number of a system version ("11.1.2" gives 1445.32):
// the largest known release not after it; 0 for anything older or unreadable.
double coreFoundationVersionFor(std::string_view systemVersion);

// A filter plist's verdict for a process. `detail` says why, in log words.
struct FilterVerdict {
    enum Kind { Match, NoMatch, Corrupt } kind = Match;
    std::string detail;
};
// Judges the root dictionary of a filter plist (nothing counts as corrupt).
FilterVerdict matchFilter(const id& plist, const LoaderProcess& process);

struct LoadOutcome {
    std::string library;  // file name, e.g. "OrvelleiOS10.dylib"
    bool loaded = false;
    std::string reason;   // as in the log line
};

// Loads every *.dylib of `folder` in file-name order (letters without regard
// to case, as the device's file system lists them) whose filter matches
// `process`, with dlopen(RTLD_LAZY | RTLD_GLOBAL) so its constructors run now.
// Libraries are never unloaded. Every decision and failure is one line through
// `log` ("Loader: loading X.dylib (filter matched)"); the default is the system
// log. A missing or unreadable folder loads nothing and says so.
//
// `watch` hears of each library just before its load (its constructors run
// inside it) and just after it loaded: what a crash report of the process
// names.
struct LoadWatch {
    std::function<void(const std::string& library)> loading;
    std::function<void(const std::string& library)> loaded;
};
std::vector<LoadOutcome> loadTweaks(const std::string& folder, const LoaderProcess& process,
                                    const std::function<void(const std::string&)>& log = {}, const LoadWatch& watch = {});

}  // namespace substrate
