// Where test libraries note that their constructor ran.
#pragma once

#include <string>
#include <vector>

void probeRecord(const std::string& library);
// File names in the order their constructors ran.
std::vector<std::string>& probeLoaded();
