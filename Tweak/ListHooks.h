// Where the host places the notification list: below the panel's blocks.
#pragma once

#include "Tweak/HookTable.h"

namespace orvelle {

extern const Hook kListMinY;
extern const Hook kSuggestedListViewFrame;

}  // namespace orvelle
