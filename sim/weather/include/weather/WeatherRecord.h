// The device's current weather, kept as a property list in the device. The
// home screen's weather widget reads it at every refresh; `orvelle-sim weather`
// writes it.
#pragma once

#include <string>

namespace weather {

// Inside the device.
inline constexpr const char* kRecordFile = "/var/mobile/Library/Weather/current.plist";

struct Record {
    std::string temperature = "21°";
    std::string location = "Paris";
    std::string conditions = "Sunny";
    std::string icon = "sun";  // sun, cloud, rain or snow
    friend bool operator==(const Record&, const Record&) = default;
};

// The icons the widget draws.
bool isKnownIcon(const std::string& icon);

// The record in the file; the sample record (the defaults above) for a missing
// or unreadable file, and a sample entry for each missing or non-text key.
Record readRecord(const std::string& path);
// The same from the file's bytes.
Record recordFromData(const std::string& bytes);
// The record as the file's bytes.
std::string recordData(const Record& record);
// Writes the whole record by atomic replacement, making the folder when
// needed; answers false when it cannot.
bool writeRecord(const std::string& path, const Record& record);

}  // namespace weather
