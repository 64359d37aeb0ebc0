// Specifiers: one row of a settings page, made from one entry of a specifier
// list (its `cell`, `label`, `key`, `default`, `defaults`, `action`, ...).
#pragma once

#include <string>
#include <vector>

#include "foundation/Objects.h"

// Cell types, with the device's numbers.
enum PSCellType : long {
    PSGroupCell = 0,
    PSLinkCell = 1,
    PSLinkListCell = 2,
    PSListItemCell = 3,
    PSTitleValueCell = 4,
    PSSliderCell = 5,
    PSSwitchCell = 6,
    PSStaticTextCell = 7,
    PSEditTextCell = 8,
    PSSegmentCell = 9,
    PSGiantIconCell = 10,
    PSGiantCell = 11,
    PSSecureEditTextCell = 12,
    PSButtonCell = 13,
    PSEditTextViewCell = 14,
};

class PSSpecifier : public rt::Object {
public:
    std::string name;        // the row's label
    std::string identifier;  // `id`, else the label
    long cellType = PSGroupCell;
    id properties;           // NSMutableDictionary: every key of the list entry
    std::weak_ptr<rt::Object> target;  // the controller that reads and writes values
    SEL buttonAction = nullptr;        // `action`
    std::vector<id> values;            // `validValues`, as stored
    std::vector<id> titles;            // `validTitles`, as shown
};

// Methods: name, identifier (id()), cellType (long()), properties (id()),
// propertyForKey: (id(id key)), setProperty:forKey: (void(id value, id key)),
// target, setTarget: (id), values, titles (id(): NSArray).

namespace ps {

// A specifier of `cellType` named `label`, with no properties yet.
id makeSpecifier(std::string_view label, long cellType);
// A specifier from one list entry; nothing for an entry that is not a dictionary.
id specifierFromEntry(const id& entry, const id& target);

inline id property(const id& specifier, std::string_view key) {
    return rt::send<id(id)>(specifier, "propertyForKey:", NSStr(key));
}
inline void setProperty(const id& specifier, const id& value, std::string_view key) {
    rt::send<void(id, id)>(specifier, "setProperty:forKey:", value, NSStr(key));
}
inline long cellType(const id& specifier) { return rt::send<long()>(specifier, "cellType"); }
inline std::string name(const id& specifier) { return str(rt::send<id()>(specifier, "name")); }
// The `key` and `defaults` of a row that holds a value; empty when it has none.
std::string key(const id& specifier);
std::string domain(const id& specifier);

// The device's names of the cell types ("PSSwitchCell" ...); -1 for an unknown name.
long cellTypeFromString(std::string_view name);
std::string cellTypeName(long type);

}  // namespace ps
