#include "substrate/Loader.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "foundation/Conversions.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"

namespace substrate {

namespace fs = std::filesystem;

namespace {

struct Release {
    std::array<int, 3> version;
    double number;
};

// Framework numbers of the releases a filter may name.
constexpr Release kReleases[] = {
    {{10, 0, 0}, 1348.00}, {{10, 3, 0}, 1349.56}, {{11, 0, 0}, 1443.00},
    {{11, 1, 0}, 1445.32}, {{11, 3, 0}, 1452.23},
};

// "11.1.2" as {11, 1, 2}; false unless it is one to three dot-separated numbers.
bool parseVersion(std::string_view text, std::array<int, 3>& out) {
    out = {0, 0, 0};
    std::size_t part = 0;
    const char* p = text.data();
    const char* end = text.data() + text.size();
    while (true) {
        if (part == out.size()) return false;
        auto [next, ec] = std::from_chars(p, end, out[part]);
        if (ec != std::errc{} || out[part] < 0) return false;
        ++part;
        if (next == end) return true;
        if (*next != '.') return false;
        p = next + 1;
    }
}

std::string numberText(double value) { return ::format("%.2f", value); }

// The strings of a list entry; false when it is not an array of strings.
bool stringList(const id& value, std::vector<std::string>& out) {
    auto array = rt::cast<NSArray>(value);
    if (!array) return false;
    for (const id& item : array->items) {
        if (!isString(item)) return false;
        out.push_back(str(item));
    }
    return true;
}

bool isNumberValue(const id& value) { return isNumber(value) && !std::holds_alternative<bool>(rt::cast<NSNumber>(value)->value); }

}  // namespace

double coreFoundationVersionFor(std::string_view systemVersion) {
    std::array<int, 3> v{};
    if (!parseVersion(systemVersion, v)) return 0;
    double found = 0;
    for (const Release& r : kReleases)
        if (r.version <= v) found = r.number;
    return found;
}

FilterVerdict matchFilter(const id& plist, const LoaderProcess& process) {
    if (!isDictionary(plist)) return {FilterVerdict::Corrupt, "not a dictionary"};
    id filterValue = rt::cast<NSDictionary>(plist)->objectForKey("Filter");
    if (!filterValue) return {FilterVerdict::Match, "no conditions"};
    auto filter = rt::cast<NSDictionary>(filterValue);
    if (!filter) return {FilterVerdict::Corrupt, "Filter is not a dictionary"};

    // The framework range holds whatever the mode.
    if (id range = filter->objectForKey("CoreFoundationVersion")) {
        auto bounds = rt::cast<NSArray>(range);
        if (!bounds || bounds->items.empty() || bounds->items.size() > 2 ||
            !std::all_of(bounds->items.begin(), bounds->items.end(), isNumberValue))
            return {FilterVerdict::Corrupt, "CoreFoundationVersion is not [min] or [min, max]"};
        double min = ns::doubleValue(bounds->items[0]);
        double v = process.coreFoundationVersion;
        bool hasMax = bounds->items.size() == 2;
        double max = hasMax ? ns::doubleValue(bounds->items[1]) : 0;
        if (v < min || (hasMax && v >= max))
            return {FilterVerdict::NoMatch, "CoreFoundationVersion " + numberText(v) + " not in [" + numberText(min) +
                                                (hasMax ? ", " + numberText(max) + ")" : ", ...)")};
    }

    struct List {
        const char* key;
        bool (*matches)(const std::string&, const LoaderProcess&);
    };
    static constexpr List kLists[] = {
        {"Bundles",
         [](const std::string& b, const LoaderProcess& p) {
             return std::find(p.bundles.begin(), p.bundles.end(), b) != p.bundles.end();
         }},
        {"Executables", [](const std::string& e, const LoaderProcess& p) { return e == p.executable; }},
        {"Classes", [](const std::string& c, const LoaderProcess&) { return rt::objc_getClass(c) != nullptr; }},
    };

    bool any = isEqualToString(filter->objectForKey("Mode"), "Any");
    std::vector<std::string> failed;
    std::size_t present = 0;
    for (const List& list : kLists) {
        id value = filter->objectForKey(list.key);
        if (!value) continue;
        std::vector<std::string> names;
        if (!stringList(value, names)) return {FilterVerdict::Corrupt, std::string(list.key) + " is not a list of names"};
        ++present;
        bool matched = std::any_of(names.begin(), names.end(),
                                   [&](const std::string& n) { return list.matches(n, process); });
        if (matched && any) return {FilterVerdict::Match, std::string("matched ") + list.key};
        if (!matched) failed.push_back(list.key);
    }
    if (failed.empty()) return {FilterVerdict::Match, present ? "matched" : "no conditions"};
    if (!any) return {FilterVerdict::NoMatch, failed.front()};
    std::string names;
    for (const auto& f : failed) names += (names.empty() ? "" : ", ") + f;
    return {FilterVerdict::NoMatch, names + " (Mode Any)"};
}

std::vector<LoadOutcome> loadTweaks(const std::string& folder, const LoaderProcess& process,
                                    const std::function<void(const std::string&)>& log, const LoadWatch& watch) {
    auto say = [&](const std::string& line) {
        if (log)
            log("Loader: " + line);
        else
            ns::logLine("Loader: " + line);
    };

    std::vector<fs::path> libraries;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        say("cannot read " + folder + ": " + ec.message());
        return {};
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) {
            say("stopped reading " + folder + ": " + ec.message());
            break;
        }
        if (it->path().extension() == ".dylib") libraries.push_back(it->path());
    }
    // The order the device's file system lists names in: letters without
    // regard to case, leading blanks and punctuation first (tweaks rename
    // themselves "!X" or " X" to load early).
    auto folded = [](std::string name) {
        for (char& c : name)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return name;
    };
    std::sort(libraries.begin(), libraries.end(), [&](const fs::path& a, const fs::path& b) {
        std::string na = a.filename().string(), nb = b.filename().string();
        std::string fa = folded(na), fb = folded(nb);
        return fa != fb ? fa < fb : na < nb;
    });

    std::vector<LoadOutcome> outcomes;
    for (const fs::path& library : libraries) {
        LoadOutcome outcome{library.filename().string(), false, {}};
        auto decide = [&](bool load, const std::string& why) {
            outcome.loaded = load;
            outcome.reason = why;
        };

        fs::path plistPath = library;
        plistPath.replace_extension(".plist");
        std::error_code statError;
        bool isFile = fs::is_regular_file(library, statError);
        fs::file_status plistStatus = fs::status(plistPath, statError);
        if (!isFile) {
            decide(false, "not a file");
        } else if (plistStatus.type() == fs::file_type::not_found) {
            decide(true, "no filter");
        } else {
            id plist = ns::dictionaryWithContentsOfFile(plistPath.string());
            FilterVerdict verdict = plist ? matchFilter(plist, process)
                                          : FilterVerdict{FilterVerdict::Corrupt, "unreadable or not a dictionary"};
            switch (verdict.kind) {
                case FilterVerdict::Match:
                    decide(true, verdict.detail == "no conditions" ? "filter has no conditions" : "filter matched");
                    break;
                case FilterVerdict::NoMatch:
                    decide(false, "filter did not match: " + verdict.detail);
                    break;
                case FilterVerdict::Corrupt:
                    decide(false, "corrupt filter: " + verdict.detail);
                    break;
            }
        }

        if (!outcome.loaded) {
            bool corrupt = outcome.reason.rfind("corrupt", 0) == 0 || outcome.reason == "not a file";
            say(std::string(corrupt ? "skipping " : "not loading ") + outcome.library + " (" + outcome.reason + ")");
        } else {
            say("loading " + outcome.library + " (" + outcome.reason + ")");
            if (watch.loading) watch.loading(outcome.library);
            dlerror();
            if (!dlopen(library.c_str(), RTLD_LAZY | RTLD_GLOBAL)) {
                const char* error = dlerror();
                outcome.loaded = false;
                outcome.reason = error ? error : "unknown error";
                say("failed to load " + outcome.library + ": " + outcome.reason);
            } else if (watch.loaded) {
                watch.loaded(outcome.library);
            }
        }
        outcomes.push_back(std::move(outcome));
    }
    return outcomes;
}

}  // namespace substrate
