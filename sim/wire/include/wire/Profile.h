// What kind of device it is: the profile.plist of a device folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "foundation/Objects.h"

namespace sim {

// What one device may use of the machine. Memory, processes and CPU are the
// device's as a whole where the machine offers control groups; open files
// and the size of one written file are each program's; the disk the device's
// files take is measured for the device as a whole.
struct DeviceLimits {
    long long memoryMiB = 1024;   // all its programs together
    long long processes = 256;    // processes and threads
    long long openFiles = 2048;   // each program
    double cpuCores = 1;          // at most this much of the machine's time
    long long cpuWeight = 100;    // its share against others when the machine is busy (1-10000)
    long long fileSizeMiB = 512;  // the largest file a program writes
    long long diskMiB = 1024;     // all the device's own files together
};

struct Profile {
    std::string model = "iPhone";
    std::string systemVersion = "11.1.2";
    double screenWidth = 375;
    double screenHeight = 667;
    double screenScale = 2;
    std::string locale = "en_US";
    std::string timeZone = "UTC";
    bool withNine = false;
    DeviceLimits limits;
    // How long a package's maintainer script may run before it is stopped.
    double maintainerScriptSeconds = 60;
};

// Missing keys take the defaults above; a missing or unreadable file, or a
// value of the wrong type, fails with the file and the key named, as does a
// limit out of its range.
Profile readProfile(const std::filesystem::path& file);
// The same from the file's bytes, and from its dictionary; `shownAs` names it in failures.
Profile profileFromData(const std::string& bytes, const std::filesystem::path& shownAs);
Profile profileFromDictionary(const id& dictionary, const std::filesystem::path& shownAs);
void writeProfile(const std::filesystem::path& file, const Profile& profile);

// "375x667" or "375x667@3" into the profile; false (nothing changed) for
// anything else, including sizes that are not positive.
bool parseScreen(std::string_view text, Profile& profile);
// "1.2.3"-style versions only (one to three numbers).
bool isSystemVersion(std::string_view text);

}  // namespace sim
