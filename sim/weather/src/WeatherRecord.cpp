#include "weather/WeatherRecord.h"

#include <filesystem>

#include "foundation/PropertyList.h"

namespace weather {

bool isKnownIcon(const std::string& icon) {
    return icon == "sun" || icon == "cloud" || icon == "rain" || icon == "snow";
}

Record readRecord(const std::string& path) {
    Record record;
    auto dictionary = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(path));
    if (!dictionary) return record;
    auto take = [&](const char* key, std::string& field) {
        id value = dictionary->objectForKey(key);
        if (isString(value)) field = str(value);
    };
    take("temperature", record.temperature);
    take("location", record.location);
    take("conditions", record.conditions);
    take("icon", record.icon);
    return record;
}

bool writeRecord(const std::string& path, const Record& record) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    id dictionary = NSDictionaryNew();
    auto d = rt::cast<NSDictionary>(dictionary);
    d->setObject(NSStr(record.temperature), "temperature");
    d->setObject(NSStr(record.location), "location");
    d->setObject(NSStr(record.conditions), "conditions");
    d->setObject(NSStr(record.icon), "icon");
    return ns::writeToFile(dictionary, path, true);
}

}  // namespace weather
