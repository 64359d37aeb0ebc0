// settings: the tweak's settings file, read and written whole (atomically).
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <variant>

#include "foundation/Conversions.h"
#include "Args.h"
#include "Verbs.h"
#include "device/TerminalText.h"
#include "device/Device.h"
#include "device/DeviceFiles.h"
#include "wire/Failure.h"
#include "foundation/PropertyList.h"

namespace cli {

namespace fs = std::filesystem;

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The value of `text` as `type`; a usage error when it is not one.
id parseValue(const std::string& text, const std::string& type) {
    if (type == "string") return NSStr(text);
    if (type == "bool") {
        std::string t = lower(text);
        if (t == "true" || t == "yes" || t == "1") return NSNum(true);
        if (t == "false" || t == "no" || t == "0") return NSNum(false);
        throw UsageError("\"" + text + "\" is not a bool (true/false, yes/no, 1/0)");
    }
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (type == "int") {
        std::int64_t value = 0;
        auto [stop, ec] = std::from_chars(begin, end, value);
        if (text.empty() || ec != std::errc{} || stop != end) throw UsageError("\"" + text + "\" is not an int");
        return NSNum(value);
    }
    if (type == "real") {
        auto value = ns::parseFiniteNumber(text);
        if (!value) throw UsageError("\"" + text + "\" is not a real number");
        return NSNum(*value);
    }
    throw UsageError("--type \"" + type + "\" is not bool, int, real or string");
}

std::string show(const id& value) {
    if (auto n = rt::cast<NSNumber>(value)) {
        if (auto* b = std::get_if<bool>(&n->value)) return *b ? "true" : "false";
        if (auto* i = std::get_if<std::int64_t>(&n->value)) return std::to_string(*i);
        return ::format("%.17g", std::get<double>(n->value));
    }
    if (isString(value)) return str(value);
    return describe(value);
}

// The settings are a small file; anything larger is not one the tool takes.
constexpr std::size_t kLongestSettings = 4 * 1024 * 1024;
// How long a change waits for the Settings app or another change to finish.
constexpr double kLockWait = 5;

// The settings, or an empty dictionary when there is no file yet. A file that
// is there but cannot be read as a dictionary is refused, so it is never
// replaced by one that has lost its keys.
std::shared_ptr<NSDictionary> load(const sim::DeviceFiles& files, const fs::path& file) {
    if (!files.isFile(file)) {
        std::error_code ec;
        if (fs::symlink_status(file, ec).type() != fs::file_type::not_found)
            throw sim::Failure(file.string() + " is not a regular file; leaving it as it is");
        return rt::cast<NSDictionary>(NSDictionaryNew());
    }
    auto bytes = files.read(file, kLongestSettings);
    if (!bytes) throw sim::Failure(bytes.reason());
    if (bytes->empty()) return rt::cast<NSDictionary>(NSDictionaryNew());
    auto dict = rt::cast<NSDictionary>(ns::dictionaryFromData(*bytes));
    if (!dict) throw sim::Failure(file.string() + " is not a readable property-list dictionary; leaving it as it is");
    return dict;
}

void save(const sim::DeviceFiles& files, const fs::path& file, const std::shared_ptr<NSDictionary>& dict) {
    std::string xml = ns::xmlData(dict);
    if (xml.empty()) throw sim::Failure("cannot write " + file.string() + ": a value is not a property-list value");
    if (auto written = files.replace(file, xml); !written) throw sim::Failure(written.reason());
}

// A change of the settings: read, changed and written under the lock the
// Settings app takes too, so changes made at the same time all land.
template <class Change>
void change(const sim::DeviceFiles& files, const fs::path& file, Change&& apply) {
    auto lock = files.lockBeside(file, kLockWait);
    if (!lock) throw sim::Failure(lock.reason());
    auto dict = load(files, file);
    apply(*dict);
    save(files, file, dict);
}

}  // namespace

int settingsVerb(const std::vector<std::string>& words) {
    Args args(words, {"type"}, {});
    if (args.help()) return printUsage("settings");
    const auto& p = args.positionals();
    if (p.size() < 2) throw UsageError(p.empty() ? "missing DEVICE" : "missing show, get, set or delete");
    sim::Device device(p[0]);
    device.requireExists();
    sim::DeviceFiles files(device);
    fs::path file = device.settingsFile();
    const std::string& action = p[1];
    if (args.option("type") && action != "set") throw UsageError("--type goes with set");

    if (action == "show") {
        args.expectPositionals(2, "DEVICE show");
        auto dict = load(files, file);
        std::vector<std::pair<std::string, id>> entries = dict->entries;
        std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [key, value] : entries)
            std::printf("%s = %s\n", sim::terminalSafe(key).c_str(), sim::terminalSafe(show(value)).c_str());
        return 0;
    }
    if (action == "get") {
        args.expectPositionals(3, "KEY");
        id value = load(files, file)->objectForKey(p[2]);
        if (!value) throw sim::Failure(p[2] + " is not set in " + file.string());
        std::printf("%s\n", sim::terminalSafe(show(value)).c_str());
        return 0;
    }
    if (action == "set") {
        args.expectPositionals(4, "KEY VALUE");
        id value = parseValue(p[3], args.option("type").value_or("string"));
        change(files, file, [&](NSDictionary& dict) { dict.setObject(value, p[2]); });
        return 0;
    }
    if (action == "delete") {
        args.expectPositionals(3, "KEY");
        change(files, file, [&](NSDictionary& dict) {
            if (!dict.objectForKey(p[2])) throw sim::Failure(p[2] + " is not set in " + file.string());
            dict.removeObject(p[2]);
        });
        return 0;
    }
    throw UsageError("\"" + action + "\" is not show, get, set or delete");
}

}  // namespace cli
