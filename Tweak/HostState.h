// Host objects the tweak keeps for the life of the process.
#pragma once

#include "foundation/Objects.h"

namespace orvelle {

// The stock date-view controller last initialised; its legibility colour is borrowed.
extern id sharedLSController;
// The other party's background controller last initialised (Nine), or nothing.
extern id nineController;

}  // namespace orvelle
