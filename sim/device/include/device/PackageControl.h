// A package's control paragraph and its relations (Depends, Conflicts, ...),
// parsed and compared as the phone's package manager does, by the Debian
// package library's own parsers and version comparison.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Result.h"

namespace sim {

struct ControlFields {
    std::string text;                           // the paragraph, as written
    std::map<std::string, std::string> fields;  // by name as written ("Package"); values trimmed
    // A field by name in any case; "" when absent.
    std::string operator[](std::string_view name) const;
};

// One paragraph of "Field: value" lines, continuation lines kept. Refused:
// no paragraph, more than one, a malformed line.
ns::Result<ControlFields> parseControl(std::string_view text);

// "b (>= 1.2)": a package and, when `op` is not empty, a version it must
// compare to ("<<", "<=", "=", ">=", ">>").
struct Relation {
    std::string package;
    std::string op;
    std::string version;
    std::string text() const;  // as written in a control field
};
// A field's comma-separated groups; each group is alternatives ("a | b").
using Relations = std::vector<std::vector<Relation>>;
ns::Result<Relations> parseRelations(std::string_view field);

// <0, 0, >0 as `a` is older than, the same as, or newer than `b`.
int compareVersions(const std::string& a, const std::string& b);
// Whether a package of `version` meets the relation's version, if it has one.
bool meets(const std::string& version, const Relation& relation);

// A package name as the format allows it: lower-case letters, digits, "+", "-"
// and ".", at least two, starting with a letter or digit.
bool isPackageName(std::string_view name);
// A version as the format allows it: [epoch:]upstream[-revision], the
// upstream part starting with a digit.
bool isPackageVersion(std::string_view version);

}  // namespace sim
