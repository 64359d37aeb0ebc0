// The settings store: the property-list files of the mobile user's preferences
// folder, read afresh at every read, and the in-process notification names.
#pragma once

#include <string>

#include "foundation/Objects.h"

namespace orvelle {

inline constexpr const char* kPreferencesFolder = "/var/mobile/Library/Preferences";
inline constexpr const char* kSettingsFile = "/var/mobile/Library/Preferences/com.tovik.orvelle.plist";
inline constexpr const char* kClockPositionFile = "/var/mobile/Library/Preferences/com.tovik.orvelleClock.plist";
inline constexpr const char* kWeatherPositionFile = "/var/mobile/Library/Preferences/com.tovik.orvelleWeather.plist";
inline constexpr const char* kUpdateMarkerFile =
    "/var/mobile/Library/Preferences/com.tovik.installorvellehasbeenupdated140.plist";
inline constexpr const char* kNineSettingsFile = "/var/mobile/Library/Preferences/com.brannoch.nineprefs.plist";
inline constexpr const char* kNineLibrary = "/Library/MobileSubstrate/DynamicLibraries/nine.dylib";

inline constexpr const char* kWeatherShouldUpdateNow = "weatherShouldUpdateNow";
inline constexpr const char* kShowClockNow = "ShowClockNow";
inline constexpr const char* kHideClockNow = "HideClockNow";
inline constexpr const char* kShowConfigWindowNow = "showConfigWindowNow";

// What the Boolean read answers.
inline constexpr int kOn = 999;
inline constexpr int kOff = -1;
inline constexpr int kIntegerRead = 1;
inline constexpr int kBooleanRead = 999;

// A whole settings file as a dictionary: empty when missing, unreadable or malformed.
id readDictionary(const std::string& path);
id readSettings();

// One entry of a dictionary, converted as the device converts it.
bool boolEntry(const id& dictionary, const std::string& key);
int intEntry(const id& dictionary, const std::string& key);
id stringEntry(const id& dictionary, const std::string& key);  // the string, or nothing

// The integer read (mode 1, also printed "%i\n" on standard output) or the
// Boolean read (any other mode: 999 on, -1 off) of the main settings file.
int ggg(const std::string& key, int mode);
// The master switch as 999.0 (on) or -1.0 (off).
double eee();

bool settingOn(const std::string& key);  // ggg(key, 999) == 999

// The main settings file for the once-a-second refresh steps: the dictionary
// parsed at an earlier call while the file keeps its identity, size and
// modification time (to the nanosecond), else read afresh, so a rewrite shows
// at the very next call. With caching off it is readSettings().
id cachedSettings();
void setSettingsCaching(bool on);

// Nine is active for the notification list: its library, "moveTop" and its own switch.
bool nineEnabled();

}  // namespace orvelle
