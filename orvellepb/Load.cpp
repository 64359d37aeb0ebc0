// The bundle's load: its classes exist once the Settings app has opened it.
#include "PaneClasses.h"

__attribute__((constructor)) static void orvellepbLoad() { orvellepb::registerPaneClasses(); }
