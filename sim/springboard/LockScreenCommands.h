// The control socket's commands for the lock screen:
//   dump                  the dump document, as one line of JSON
//   screenshot PATH   the screen as a PNG file (see Screen.h)
//   media [play|stop]     media starts or stops in another process; alone: "playing" or "stopped"
//   touch down|move|up X Y   one finger on the screen, in points; while an alert
//                         is shown, a tap on one of its buttons
//   today                 the user tries to open the today page: "opened" or "refused"
//   weather               the weather widgets refresh from the record now
#pragma once

#include <map>
#include <string>

#include "ControlServer.h"

namespace springboard {

std::map<std::string, Command> lockScreenCommands();

// The dump document of this process, as compact JSON.
std::string dumpText();

}  // namespace springboard
