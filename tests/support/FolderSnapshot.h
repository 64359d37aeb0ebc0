// A folder tree as a test compares it: every entry's kind, size and a hash of
// its bytes, never the bytes themselves, and the differences between two
// such pictures in a few lines.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

struct EntryPicture {
    char kind = '?';  // f file, d folder, l link (its target hashed), o anything else
    std::uintmax_t size = 0;
    std::uint32_t hash = 0;  // CRC-32 of a file's bytes or a link's target
    bool operator==(const EntryPicture&) const = default;
};

using FolderPicture = std::map<std::string, EntryPicture>;  // by path under the folder

FolderPicture pictureOf(const std::filesystem::path& folder);

// "" when they are the same; else one line for each entry added, removed or
// changed (at most `limit`, then how many more).
std::string differences(const FolderPicture& before, const FolderPicture& after, std::size_t limit = 20);
