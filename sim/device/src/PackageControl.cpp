#include "device/PackageControl.h"

#include <apt-pkg/debversion.h>
#include <apt-pkg/deblistparser.h>
#include <apt-pkg/pkgcache.h>
#include <apt-pkg/tagfile.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace sim {

namespace {

using Op = pkgCache::Dep::DepCompareOp;

constexpr std::pair<unsigned, const char*> kOps[] = {
    {Op::LessEq, "<="}, {Op::GreaterEq, ">="}, {Op::Less, "<<"}, {Op::Greater, ">>"}, {Op::Equals, "="},
    {Op::NotEquals, "!="},
};

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string trim(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

bool isFieldName(std::string_view name) {
    return !name.empty() && name.front() != '#' && name.front() != '-' &&
           std::all_of(name.begin(), name.end(), [](char c) { return c > 32 && c < 127 && c != ':'; });
}

}  // namespace

std::string ControlFields::operator[](std::string_view name) const {
    std::string wanted = lower(name);
    for (const auto& [field, value] : fields)
        if (lower(field) == wanted) return value;
    return {};
}

ns::Result<ControlFields> parseControl(std::string_view text) {
    // The parser wants a paragraph that ends with a blank line.
    std::string buffer(text);
    while (!buffer.empty() && (buffer.front() == '\n' || buffer.front() == '\r')) buffer.erase(0, 1);
    if (buffer.empty()) return ns::fail("the control file is empty");
    if (buffer.find('\0') != std::string::npos) return ns::fail("the control file holds a NUL");
    buffer += "\n\n";
    pkgTagSection section;
    if (!section.Scan(buffer.data(), buffer.size())) return ns::fail("the control file is not a paragraph of fields");
    if (!trim(std::string_view(buffer).substr(section.size())).empty())
        return ns::fail("the control file holds more than one paragraph");
    ControlFields out;
    out.text = trim(text);
    for (unsigned i = 0; i < section.Count(); ++i) {
        const char* start = nullptr;
        const char* stop = nullptr;
        section.Get(start, stop, i);
        std::string_view line(start, static_cast<std::size_t>(stop - start));
        auto colon = line.find(':');
        if (colon == std::string_view::npos || !isFieldName(line.substr(0, colon)))
            return ns::fail("the control file has a line that is not \"Field: value\": " +
                            std::string(line.substr(0, line.find('\n'))));
        std::string name(line.substr(0, colon));
        if (out.fields.count(name)) return ns::fail("the control file has the field " + name + " twice");
        out.fields[name] = trim(line.substr(colon + 1));
    }
    if (out.fields.empty()) return ns::fail("the control file has no fields");
    return out;
}

std::string Relation::text() const { return op.empty() ? package : package + " (" + op + " " + version + ")"; }

ns::Result<Relations> parseRelations(std::string_view field) {
    Relations groups;
    std::string text = trim(field);
    if (text.empty()) return groups;
    const char* at = text.data();
    const char* end = text.data() + text.size();
    std::vector<Relation> group;
    while (at != end) {
        std::string package, version;
        unsigned op = 0;
        const char* next = debListParser::ParseDepends(at, end, package, version, op, false, true, false);
        if (!next || package.empty())
            return ns::fail("cannot read the relation \"" + trim(std::string_view(at, static_cast<std::size_t>(end - at))) + "\"");
        Relation r{package, "", version};
        for (auto [code, name] : kOps)
            if ((op & 0x0F) == code) r.op = name;
        if (!r.op.empty() && r.version.empty()) return ns::fail("the relation on " + package + " has no version");
        group.push_back(std::move(r));
        if (!(op & Op::Or)) {
            groups.push_back(std::move(group));
            group.clear();
        }
        at = next;
    }
    if (!group.empty()) return ns::fail("the relations end with \"|\"");
    return groups;
}

int compareVersions(const std::string& a, const std::string& b) { return debVS.CmpVersion(a, b); }

bool meets(const std::string& version, const Relation& relation) {
    if (relation.op.empty()) return true;
    for (auto [code, name] : kOps)
        if (relation.op == name) return debVS.CheckDep(version.c_str(), static_cast<int>(code), relation.version.c_str());
    return false;
}

bool isPackageName(std::string_view name) {
    if (name.size() < 2 || !std::isalnum(static_cast<unsigned char>(name.front()))) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    });
}

bool isPackageVersion(std::string_view version) {
    if (version.empty() || version.size() > 256) return false;
    auto colon = version.find(':');
    if (colon != std::string_view::npos) {
        std::string_view epoch = version.substr(0, colon);
        if (epoch.empty() || !std::all_of(epoch.begin(), epoch.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        version.remove_prefix(colon + 1);
    }
    if (version.empty() || !(version.front() >= '0' && version.front() <= '9')) return false;
    return std::all_of(version.begin(), version.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || std::strchr(".+~-:", c); });
}

}  // namespace sim
