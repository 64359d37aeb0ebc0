#include "Tweak/HostState.h"

namespace orvelle {

id sharedLSController;
id nineController;

}  // namespace orvelle
