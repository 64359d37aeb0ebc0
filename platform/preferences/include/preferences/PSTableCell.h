// Table cells of settings pages: a title, an optional value text and a content
// view that subclasses fill. Created by the list controller for each row.
#pragma once

#include <string>

#include "preferences/PSSpecifier.h"
#include "uikit/UIView.h"

class PSTableCell : public UIView {
public:
    id specifier_;
    long type_ = PSGroupCell;
    std::string reuseIdentifier_;
    id contentView_;
    id titleLabel_;
    id value_;  // the value the cell shows (text rows, lists)
};

// A cell that carries a control (switch, slider, text field).
class PSControlTableCell : public PSTableCell {
public:
    id control_;
};

// Methods of PSTableCell:
//   initWithStyle:reuseIdentifier:specifier: (id(long style, id reuseIdentifier, id specifier))
//   specifier, setSpecifier: (id), type (long()), reuseIdentifier, contentView, titleLabel (id())
//   refreshCellContentsWithSpecifier: (void(id)): the title from the specifier's name
//   value, setValue: (id)
//   preferredHeightForWidth: (float(float)): 44 for ordinary rows
// Class method: cellTypeFromString: (long(id)).
// Methods of PSControlTableCell: control, setControl: (id), newControl (id()),
//   controlValue (id()), controlChanged: (void(id sender)): hands controlValue to the
//   specifier's target as setPreferenceValue:specifier:.

namespace ps {
inline id contentView(const id& cell) { return rt::send<id()>(cell, "contentView"); }
inline id control(const id& cell) { return rt::send<id()>(cell, "control"); }
inline float preferredHeight(const id& cell, float width) {
    return rt::send<float(float)>(cell, "preferredHeightForWidth:", width);
}
}  // namespace ps
