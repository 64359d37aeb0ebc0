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

namespace ps {

// Also specifier and setSpecifier: (preferences/PSSpecifier.h).
inline constinit const rt::Msg<id(long style, id reuseIdentifier, id specifier)>
    initWithStyle_reuseIdentifier_specifier{"initWithStyle:reuseIdentifier:specifier:"};
// A cell class of the pane's may make itself from its row alone; the list
// controller prefers this when the class answers it.
inline constinit const rt::Msg<id(id specifier)> initWithSpecifier{"initWithSpecifier:"};
inline constinit const rt::Msg<long()> type{"type"};
inline constinit const rt::Msg<id()> reuseIdentifier{"reuseIdentifier"};
inline constinit const rt::Msg<id()> contentView{"contentView"};
inline constinit const rt::Msg<id()> titleLabel{"titleLabel"};
// The title from the specifier's name.
inline constinit const rt::Msg<void(id)> refreshCellContentsWithSpecifier{"refreshCellContentsWithSpecifier:"};
// The value the cell shows.
inline constinit const rt::Msg<id()> value{"value"};
inline constinit const rt::Msg<void(id)> setValue{"setValue:"};
// 44 for ordinary rows.
inline constinit const rt::Msg<float(float)> preferredHeightForWidth{"preferredHeightForWidth:"};
// ps::cellTypeFromString answers the same in C++.
inline constinit const rt::ClassMsg<long(id)> PSTableCell_cellTypeFromString{"PSTableCell", "cellTypeFromString:"};

// PSControlTableCell: controlChanged: (the control's action) hands controlValue
// to the specifier's target as setPreferenceValue:specifier:.
inline constinit const rt::Msg<id()> control{"control"};
inline constinit const rt::Msg<void(id)> setControl{"setControl:"};
inline constinit const rt::Msg<id()> newControl{"newControl"};
inline constinit const rt::Msg<id()> controlValue{"controlValue"};
inline constinit const rt::Msg<void(id sender)> controlChanged{"controlChanged:"};

}  // namespace ps
