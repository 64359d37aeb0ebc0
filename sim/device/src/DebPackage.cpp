#include "device/DebPackage.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <set>

namespace sim {

namespace {

using Archive = std::unique_ptr<archive, decltype(&archive_read_free)>;

std::string errorOf(archive* a) {
    const char* text = archive_error_string(a);
    return text ? text : "the archive is malformed";
}

// An archive reader over bytes in memory: the outer ar, or a (compressed) tar.
ns::Result<Archive> openArchive(std::string_view bytes, bool tar, const char* what) {
    Archive a(archive_read_new(), &archive_read_free);
    if (!a) return ns::fail("cannot make an archive reader");
    if (tar) {
        archive_read_support_format_tar(a.get());
        for (auto filter : {archive_read_support_filter_gzip, archive_read_support_filter_xz,
                            archive_read_support_filter_zstd, archive_read_support_filter_bzip2})
            filter(a.get());
    } else {
        archive_read_support_format_ar(a.get());
    }
    if (archive_read_open_memory(a.get(), bytes.data(), bytes.size()) != ARCHIVE_OK)
        return ns::fail(std::string("is not a package: ") + what + errorOf(a.get()));
    return a;
}

// The current member's bytes, at most `most` of them (the member's own size
// may lie: what is read counts).
ns::Result<std::string> readMember(archive* a, std::uint64_t most, const std::string& name) {
    std::string bytes;
    char buffer[65536];
    for (;;) {
        la_ssize_t n = archive_read_data(a, buffer, sizeof buffer);
        if (n < 0) return ns::fail("is not a package: " + name + ": " + errorOf(a));
        if (n == 0) return bytes;
        if (bytes.size() + static_cast<std::uint64_t>(n) > most)
            return ns::fail("is too large: " + name + " unpacks to more than " + std::to_string(most) + " bytes");
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

// "./Library/x/" as "Library/x"; empty for the root itself; nothing when it
// is not a plain relative path beneath the root.
std::optional<std::string> memberPath(std::string_view raw, const PackageLimits& limits, std::string& why) {
    if (raw.size() > limits.pathBytes) {
        why = "has a path longer than " + std::to_string(limits.pathBytes) + " bytes";
        return std::nullopt;
    }
    // A record of installed files keeps one path a line.
    if (std::any_of(raw.begin(), raw.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; })) {
        why = "has a path with a control character in it";
        return std::nullopt;
    }
    if (!raw.empty() && raw.front() == '/') {
        why = "has an absolute path that escapes its root: " + std::string(raw);
        return std::nullopt;
    }
    std::string path;
    int depth = 0;
    std::size_t at = 0;
    while (at <= raw.size()) {
        std::size_t slash = raw.find('/', at);
        std::string_view part = raw.substr(at, slash == std::string_view::npos ? std::string_view::npos : slash - at);
        at = slash == std::string_view::npos ? raw.size() + 1 : slash + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            why = "has a path that escapes its root: " + std::string(raw);
            return std::nullopt;
        }
        if (++depth > limits.depth) {
            why = "has a path deeper than " + std::to_string(limits.depth) + " folders: " + std::string(raw);
            return std::nullopt;
        }
        if (!path.empty()) path += '/';
        path += part;
    }
    return path;
}

const char* refusedKind(mode_t type) {
    switch (type) {
        case AE_IFLNK: return "a link";
        case AE_IFCHR:
        case AE_IFBLK: return "a device file";
        case AE_IFIFO: return "a FIFO";
        case AE_IFSOCK: return "a socket";
        default: return "an entry that is neither a folder nor a regular file";
    }
}

ns::Result<> readControl(std::string_view bytes, const PackageLimits& limits, DebPackage& package) {
    auto a = openArchive(bytes, true, "control archive: ");
    if (!a) return ns::fail(a.reason());
    std::uint64_t total = 0;
    std::size_t count = 0;
    bool sawControl = false;
    archive_entry* entry = nullptr;
    for (;;) {
        int status = archive_read_next_header(a->get(), &entry);
        if (status == ARCHIVE_EOF) break;
        if (status != ARCHIVE_OK) return ns::fail("is not a package: control archive: " + errorOf(a->get()));
        if (++count > limits.entries) return ns::fail("has more than " + std::to_string(limits.entries) + " control members");
        std::string why;
        auto path = memberPath(archive_entry_pathname(entry) ? archive_entry_pathname(entry) : "", limits, why);
        if (!path) return ns::fail(why);
        if (archive_entry_filetype(entry) == AE_IFDIR && path->empty()) continue;
        bool wanted = *path == "control" || std::any_of(std::begin(kMaintainerScripts), std::end(kMaintainerScripts),
                                                        [&](const char* s) { return *path == s; });
        if (!wanted) continue;  // md5sums, conffiles and the like mean nothing here
        if (archive_entry_filetype(entry) != AE_IFREG || archive_entry_hardlink(entry))
            return ns::fail("has a control member " + *path + " that is not a regular file");
        auto member = readMember(a->get(), limits.controlBytes - total, "control member " + *path);
        if (!member) return ns::fail(member.reason());
        total += member->size();
        if (*path == "control") {
            package.control = std::move(*member);
            sawControl = true;
        } else {
            package.scripts[*path] = std::move(*member);
        }
    }
    if (!sawControl) return ns::fail("has no control file in its control archive");
    return {};
}

ns::Result<> readData(std::string_view bytes, const PackageLimits& limits, DebPackage& package) {
    auto a = openArchive(bytes, true, "data archive: ");
    if (!a) return ns::fail(a.reason());
    std::uint64_t total = 0;
    std::set<std::string> seen;
    archive_entry* entry = nullptr;
    for (;;) {
        int status = archive_read_next_header(a->get(), &entry);
        if (status == ARCHIVE_EOF) break;
        if (status != ARCHIVE_OK) return ns::fail("is not a package: data archive: " + errorOf(a->get()));
        if (package.entries.size() >= limits.entries)
            return ns::fail("has more than " + std::to_string(limits.entries) + " files and folders");
        const char* rawName = archive_entry_pathname(entry);
        std::string raw = rawName ? rawName : "";
        std::string why;
        auto path = memberPath(raw, limits, why);
        if (!path) return ns::fail(why);
        mode_t type = archive_entry_filetype(entry);
        if (const char* target = archive_entry_hardlink(entry))
            return ns::fail("holds a link: " + raw + " => " + target + "; a package may hold only folders and regular files");
        if (type != AE_IFDIR && type != AE_IFREG) {
            std::string shown = raw;
            if (type == AE_IFLNK && archive_entry_symlink(entry))
                shown += std::string(" -> ") + archive_entry_symlink(entry);
            return ns::fail(std::string("holds ") + refusedKind(type) + ": " + shown +
                            "; a package may hold only folders and regular files");
        }
        mode_t mode = archive_entry_perm(entry);
        if (mode & (S_ISUID | S_ISGID))
            return ns::fail("holds a set-id file: " + raw + "; a device runs nothing with another user's rights");
        if (path->empty()) continue;  // the root itself
        if (!seen.insert(*path).second) return ns::fail("holds " + raw + " twice");
        PackageEntry out;
        out.path = "/" + *path;
        out.folder = type == AE_IFDIR;
        out.mode = static_cast<unsigned>(mode & 0777);
        if (!out.folder) {
            auto member = readMember(a->get(), limits.unpackedBytes - total, raw);
            if (!member) return ns::fail(member.reason());
            total += member->size();
            out.bytes = std::move(*member);
        }
        package.entries.push_back(std::move(out));
    }
    return {};
}

}  // namespace

ns::Result<DebPackage> readPackage(std::string_view bytes, const PackageLimits& limits) {
    if (bytes.size() > limits.packageBytes)
        return ns::fail("is too large: " + std::to_string(bytes.size()) + " bytes, more than " +
                        std::to_string(limits.packageBytes));
    auto outer = openArchive(bytes, false, "");
    if (!outer) return ns::fail(outer.reason());
    DebPackage package;
    bool sawVersion = false, sawControl = false, sawData = false;
    archive_entry* entry = nullptr;
    std::size_t members = 0;
    for (;;) {
        int status = archive_read_next_header(outer->get(), &entry);
        if (status == ARCHIVE_EOF) break;
        if (status != ARCHIVE_OK) return ns::fail("is not a package: " + errorOf(outer->get()));
        if (++members > 16) return ns::fail("is not a package: too many members");
        std::string name = archive_entry_pathname(entry) ? archive_entry_pathname(entry) : "";
        if (!sawVersion) {
            if (name != "debian-binary") return ns::fail("is not a package: it does not start with debian-binary");
            auto version = readMember(outer->get(), 64, name);
            if (!version) return ns::fail(version.reason());
            if (version->rfind("2.", 0) != 0)
                return ns::fail("is not a package of format 2.x (debian-binary says \"" +
                                version->substr(0, version->find('\n')) + "\")");
            sawVersion = true;
            continue;
        }
        bool control = name.rfind("control.tar", 0) == 0, data = name.rfind("data.tar", 0) == 0;
        if (!control && !data) {
            if (!name.empty() && name[0] == '_') continue;  // members the format leaves to others
            return ns::fail("is not a package: it holds an unknown member \"" + name + "\"");
        }
        if ((control && sawControl) || (data && sawData)) return ns::fail("is not a package: " + name + " comes twice");
        auto member = readMember(outer->get(), limits.packageBytes, name);
        if (!member) return ns::fail(member.reason());
        auto read = control ? readControl(*member, limits, package) : readData(*member, limits, package);
        if (!read) return ns::fail(read.reason());
        (control ? sawControl : sawData) = true;
    }
    if (!sawVersion || !sawControl || !sawData)
        return ns::fail(std::string("is not a package: it has no ") +
                        (!sawVersion ? "debian-binary" : !sawControl ? "control archive" : "data archive"));
    return package;
}

}  // namespace sim
