// Where rows keep their values: one property-list file per preferences domain,
// <folder>/<domain>.plist, read whole and replaced atomically.
#pragma once

#include <string>

#include "foundation/Objects.h"
#include "foundation/Result.h"

namespace ps {

// "/var/mobile/Library/Preferences" unless a test moved it.
const std::string& preferencesFolder();
void setPreferencesFolder(std::string folder);

// The file of a domain; empty for a domain that is no plain file name
// (empty, ".", "..", or holding a '/'), so no row writes outside the folder.
std::string domainFile(std::string_view domain);

// The value stored under `key`, or nothing (no file, unreadable file, no key).
id storedValue(std::string_view domain, std::string_view key);

// Sets `key` to `value` in the domain's file, keeping every other entry, by
// atomic replacement. A file that exists but cannot be read as a dictionary is
// first moved aside to "<file>.unreadable" rather than overwritten. A failure
// says what failed and where.
ns::Result<> storeValue(std::string_view domain, std::string_view key, const id& value);

// Removes what writes of the folder's domains cut short left (their
// temporary files), each under its domain's lock: at the start of a program
// that writes them. Every write removes its own domain's too.
void removeInterruptedWrites();

}  // namespace ps
