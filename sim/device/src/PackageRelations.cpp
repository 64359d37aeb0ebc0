#include "PackageRelations.h"

namespace sim::pkg {

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

}  // namespace sim::pkg

