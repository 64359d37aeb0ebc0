// What kind of device it is: the profile.plist of a device folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "foundation/Objects.h"

namespace sim {

struct Profile {
    std::string model = "iPhone";
    std::string systemVersion = "11.1.2";
    double screenWidth = 375;
    double screenHeight = 667;
    double screenScale = 2;
    std::string locale = "en_US";
    std::string timeZone = "UTC";
    bool withNine = false;
};

// Missing keys take the defaults above; a missing or unreadable file, or a
// value of the wrong type, fails with the file and the key named.
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
