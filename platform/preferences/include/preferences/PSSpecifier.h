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

namespace ps {

// The label, and `id` else the label.
inline constinit const rt::Msg<id()> name{"name"};
inline constinit const rt::Msg<id()> identifier{"identifier"};
inline constinit const rt::Msg<long()> cellType{"cellType"};
// Every key of the list entry (an NSMutableDictionary).
inline constinit const rt::Msg<id()> properties{"properties"};
inline constinit const rt::Msg<id(id key)> propertyForKey{"propertyForKey:"};
inline constinit const rt::Msg<void(id value, id key)> setProperty_forKey{"setProperty:forKey:"};
// The controller that reads and writes the row's value.
inline constinit const rt::Msg<id()> target{"target"};
inline constinit const rt::Msg<void(id)> setTarget{"setTarget:"};
// `validValues` as stored and `validTitles` as shown (NSArrays).
inline constinit const rt::Msg<id()> values{"values"};
inline constinit const rt::Msg<id()> titles{"titles"};

// The row a page was opened from, and a cell's row.
inline constinit const rt::Msg<id()> specifier{"specifier"};
inline constinit const rt::Msg<void(id)> setSpecifier{"setSpecifier:"};

// A specifier of `cellType` named `label`, with no properties yet.
id makeSpecifier(std::string_view label, long cellType);
// A specifier from one list entry; nothing for an entry that is not a dictionary.
id specifierFromEntry(const id& entry, const id& target);

// propertyForKey: and setProperty:forKey: with a key of text.
inline id property(const id& specifier, std::string_view key) { return propertyForKey(specifier, NSStr(key)); }
inline void setProperty(const id& specifier, const id& value, std::string_view key) {
    setProperty_forKey(specifier, value, NSStr(key));
}
// The `key` and `defaults` of a row that holds a value; empty when it has none.
std::string key(const id& specifier);
std::string domain(const id& specifier);

// The device's names of the cell types ("PSSwitchCell" ...); -1 for an unknown name.
long cellTypeFromString(std::string_view name);
std::string cellTypeName(long type);

}  // namespace ps
