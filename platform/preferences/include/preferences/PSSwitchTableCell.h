// The on/off row: a control cell whose control is a switch. Turning the switch
// stores a Boolean (or its negation when the row says `negate`).
#pragma once

#include "preferences/PSTableCell.h"

class PSSwitchTableCell : public PSControlTableCell {};

// As PSControlTableCell; the control is a UISwitch made in
// initWithStyle:reuseIdentifier:specifier:, whose value-changed action is
// controlChanged:. setValue: sets the switch without sending anything;
// controlValue answers an NSNumber Boolean.
