// The build tree a device program comes from: <build>/bin holds the programs,
// <build>/frameworks the platform's libraries, <build>/lib the deliverables
// and <build>/packages their packages.
#pragma once

#include <filesystem>

namespace sim {

std::filesystem::path executablePath();  // of this process
std::filesystem::path binFolder();       // the folder of this executable
std::filesystem::path buildFolder();     // its parent
std::filesystem::path libFolder();       // <build>/lib
std::filesystem::path frameworksFolder();  // <build>/frameworks
std::filesystem::path packagesFolder();  // <build>/packages
std::filesystem::path sourceFolder();    // the repository this was built from

}  // namespace sim
