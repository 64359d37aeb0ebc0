// The device's current weather, kept as a property list in the device. The
// home screen's weather widget reads it at every refresh; `orvelle-sim weather`
// and the web simulator write it.
#pragma once

#include <optional>
#include <string>

namespace weather {

// Inside the device.
inline constexpr const char* kRecordFile = "/var/mobile/Library/Weather/current.plist";

// A value the record lacks is one the widget has not got: it sets nothing for
// it, as the device's widget does before its data arrives.
using Value = std::optional<std::string>;

struct Record {
    Value temperature = "21°";
    Value location = "Paris";
    Value conditions = "Sunny";
    Value icon = "sun";  // sun, cloud, rain or snow
    friend bool operator==(const Record&, const Record&) = default;
};

// The icons the widget draws.
bool isKnownIcon(const std::string& icon);

// The record in the file: the sample record (the defaults above) for a missing
// or unreadable file; in a record, a missing key is a missing value and a key
// holding something other than text keeps the sample's value.
Record readRecord(const std::string& path);
// The same from the file's bytes.
Record recordFromData(const std::string& bytes);
// The record as the file's bytes: a missing value is a missing key.
std::string recordData(const Record& record);
// Writes the whole record by atomic replacement, making the folder when
// needed; answers false when it cannot.
bool writeRecord(const std::string& path, const Record& record);

}  // namespace weather
