// settings: the tweak's settings file, read and written whole (atomically).
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <variant>

#include "Args.h"
#include "Verbs.h"
#include "device/Device.h"
#include "device/Failure.h"
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
        // Always a decimal point, whatever the C library's locale says.
        double value = 0;
        auto [stop, ec] = std::from_chars(begin, end, value);
        if (text.empty() || ec != std::errc{} || stop != end || !std::isfinite(value))
            throw UsageError("\"" + text + "\" is not a real number");
        return NSNum(value);
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

// The settings, or an empty dictionary when there is no file yet. A file that
// is there but cannot be read as a dictionary is refused, so it is never
// replaced by one that has lost its keys.
std::shared_ptr<NSDictionary> load(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) return rt::cast<NSDictionary>(NSDictionaryNew());
    if (fs::is_regular_file(file, ec) && fs::file_size(file, ec) == 0 && !ec)
        return rt::cast<NSDictionary>(NSDictionaryNew());
    auto dict = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(file.string()));
    if (!dict) throw sim::Failure(file.string() + " is not a readable property-list dictionary; leaving it as it is");
    return dict;
}

void save(const fs::path& file, const std::shared_ptr<NSDictionary>& dict) {
    if (!ns::writeToFile(dict, file.string())) throw sim::Failure("cannot write " + file.string());
}

}  // namespace

int settingsVerb(const std::vector<std::string>& words) {
    Args args(words, {"type"}, {});
    if (args.help()) return printUsage("settings");
    const auto& p = args.positionals();
    if (p.size() < 2) throw UsageError(p.empty() ? "missing DEVICE" : "missing show, get, set or delete");
    sim::Device device(p[0]);
    device.requireExists();
    fs::path file = device.settingsFile();
    const std::string& action = p[1];
    if (args.option("type") && action != "set") throw UsageError("--type goes with set");

    if (action == "show") {
        args.expectPositionals(2, "DEVICE show");
        auto dict = load(file);
        std::vector<std::pair<std::string, id>> entries = dict->entries;
        std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [key, value] : entries) std::printf("%s = %s\n", key.c_str(), show(value).c_str());
        return 0;
    }
    if (action == "get") {
        args.expectPositionals(3, "KEY");
        id value = load(file)->objectForKey(p[2]);
        if (!value) throw sim::Failure(p[2] + " is not set in " + file.string());
        std::printf("%s\n", show(value).c_str());
        return 0;
    }
    if (action == "set") {
        args.expectPositionals(4, "KEY VALUE");
        id value = parseValue(p[3], args.option("type").value_or("string"));
        auto dict = load(file);
        dict->setObject(value, p[2]);
        std::error_code ec;
        fs::create_directories(file.parent_path(), ec);
        save(file, dict);
        return 0;
    }
    if (action == "delete") {
        args.expectPositionals(3, "KEY");
        auto dict = load(file);
        if (!dict->objectForKey(p[2])) throw sim::Failure(p[2] + " is not set in " + file.string());
        dict->removeObject(p[2]);
        save(file, dict);
        return 0;
    }
    throw UsageError("\"" + action + "\" is not show, get, set or delete");
}

}  // namespace cli
