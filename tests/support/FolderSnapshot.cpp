#include "FolderSnapshot.h"

#include <libdeflate.h>

#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::uint32_t crcOfFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<char> buffer(1 << 16);
    std::uint32_t crc = 0;
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        crc = libdeflate_crc32(crc, buffer.data(), static_cast<std::size_t>(in.gcount()));
    }
    return crc;
}

std::string describe(const EntryPicture& e) {
    std::ostringstream out;
    out << (e.kind == 'f' ? "file" : e.kind == 'd' ? "folder" : e.kind == 'l' ? "link" : "other");
    if (e.kind != 'd') out << " of " << e.size << " bytes, crc " << std::hex << e.hash;
    return out.str();
}

}  // namespace

FolderPicture pictureOf(const fs::path& folder) {
    FolderPicture picture;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        EntryPicture p;
        const fs::path& at = e.path();
        if (e.is_symlink()) {
            std::string target = fs::read_symlink(at).string();
            p = {'l', target.size(), libdeflate_crc32(0, target.data(), target.size())};
        } else if (e.is_directory()) {
            p.kind = 'd';
        } else if (e.is_regular_file()) {
            p = {'f', e.file_size(), crcOfFile(at)};
        } else {
            p.kind = 'o';
        }
        picture[fs::relative(at, folder).string()] = p;
    }
    return picture;
}

std::string differences(const FolderPicture& before, const FolderPicture& after, std::size_t limit) {
    std::vector<std::string> lines;
    for (const auto& [name, was] : before) {
        auto now = after.find(name);
        if (now == after.end())
            lines.push_back("removed " + name + " (" + describe(was) + ")");
        else if (!(now->second == was))
            lines.push_back("changed " + name + ": " + describe(was) + " -> " + describe(now->second));
    }
    for (const auto& [name, now] : after)
        if (!before.count(name)) lines.push_back("added " + name + " (" + describe(now) + ")");
    std::string out;
    for (std::size_t i = 0; i < lines.size() && i < limit; ++i) out += lines[i] + "\n";
    if (lines.size() > limit) out += "and " + std::to_string(lines.size() - limit) + " more\n";
    return out;
}
