// Property-list files read whole and written by atomic replacement.
#pragma once

#include <string>

#include "foundation/Objects.h"

namespace ns {

// [NSDictionary dictionaryWithContentsOfFile:]: the dictionary, or nothing when
// the file is missing, unreadable, empty, malformed or not a dictionary. XML and
// binary property lists are read.
id dictionaryWithContentsOfFile(const std::string& path);
// [NSMutableDictionary dictionaryWithContentsOfFile:]: the same with mutable
// dictionaries and arrays throughout.
id mutableDictionaryWithContentsOfFile(const std::string& path);
// The same from bytes in memory.
id dictionaryFromData(const std::string& bytes);
// Any root value, or nothing.
id propertyListFromData(const std::string& bytes);

// [dict writeToFile:atomically:] as XML with sorted keys; answers NO (writing
// nothing) for values that are not property-list objects or an unwritable place.
bool writeToFile(const id& dictionary, const std::string& path, bool atomically = true);
std::string xmlData(const id& propertyList);  // empty for a non-plist value
std::string binaryData(const id& propertyList);

bool fileExistsAtPath(const std::string& path);  // [NSFileManager fileExistsAtPath:]

}  // namespace ns
