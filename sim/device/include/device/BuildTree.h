// The build tree a device program comes from: <build>/bin holds the programs,
// <build>/lib the platform and the deliverables.
#pragma once

#include <filesystem>

namespace sim {

std::filesystem::path executablePath();  // of this process
std::filesystem::path binFolder();       // the folder of this executable
std::filesystem::path buildFolder();     // its parent
std::filesystem::path libFolder();       // <build>/lib
std::filesystem::path sourceFolder();    // the repository this was built from

}  // namespace sim
