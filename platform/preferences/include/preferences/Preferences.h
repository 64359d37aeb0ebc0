// The settings-pane framework: specifiers, cells, list controllers, values.
#pragma once

#include "preferences/PSListController.h"
#include "preferences/PSSpecifier.h"
#include "preferences/PSSwitchTableCell.h"
#include "preferences/PSTableCell.h"
#include "preferences/PreferenceStore.h"
