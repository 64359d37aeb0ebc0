#include "weather/WeatherRecord.h"

#include <filesystem>

#include "foundation/PropertyList.h"

namespace weather {

bool isKnownIcon(const std::string& icon) {
    return icon == "sun" || icon == "cloud" || icon == "rain" || icon == "snow";
}

namespace {

Record fromDictionary(const std::shared_ptr<NSDictionary>& dictionary) {
    Record record;
    if (!dictionary) return record;
    auto take = [&](const char* key, Value& field) {
        id value = dictionary->objectForKey(key);
        if (!value) field.reset();
        else if (isString(value)) field = str(value);
    };
    take("temperature", record.temperature);
    take("location", record.location);
    take("conditions", record.conditions);
    take("icon", record.icon);
    return record;
}

id toDictionary(const Record& record) {
    id dictionary = NSDictionaryNew();
    auto d = rt::cast<NSDictionary>(dictionary);
    auto put = [&](const char* key, const Value& field) {
        if (field) d->setObject(NSStr(*field), key);
    };
    put("temperature", record.temperature);
    put("location", record.location);
    put("conditions", record.conditions);
    put("icon", record.icon);
    return dictionary;
}

}  // namespace

Record readRecord(const std::string& path) {
    return fromDictionary(rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(path)));
}

Record recordFromData(const std::string& bytes) { return fromDictionary(rt::cast<NSDictionary>(ns::dictionaryFromData(bytes))); }

std::string recordData(const Record& record) { return ns::xmlData(toDictionary(record)); }

bool writeRecord(const std::string& path, const Record& record) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    return ns::writeToFile(toDictionary(record), path, true);
}

}  // namespace weather
