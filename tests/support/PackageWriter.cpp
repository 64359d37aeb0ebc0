#include "PackageWriter.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <memory>
#include <stdexcept>

#include "Command.h"

namespace {

using Writer = std::unique_ptr<archive, decltype(&archive_write_free)>;

la_ssize_t append(archive*, void* to, const void* bytes, size_t size) {
    static_cast<std::string*>(to)->append(static_cast<const char*>(bytes), size);
    return static_cast<la_ssize_t>(size);
}

void check(archive* a, int status) {
    if (status < ARCHIVE_WARN) throw std::runtime_error(std::string("making a test package: ") + archive_error_string(a));
}

void add(archive* a, const PackageMember& m) {
    std::unique_ptr<archive_entry, decltype(&archive_entry_free)> e(archive_entry_new(), &archive_entry_free);
    archive_entry_set_pathname(e.get(), m.path.c_str());
    archive_entry_set_perm(e.get(), m.mode);
    archive_entry_set_uname(e.get(), "root");
    archive_entry_set_gname(e.get(), "root");
    archive_entry_set_mtime(e.get(), 1700000000, 0);
    switch (m.kind) {
        case PackageMember::File:
            archive_entry_set_filetype(e.get(), AE_IFREG);
            archive_entry_set_size(e.get(), static_cast<la_int64_t>(m.bytes.size()));
            break;
        case PackageMember::Folder: archive_entry_set_filetype(e.get(), AE_IFDIR); break;
        case PackageMember::Link:
            archive_entry_set_filetype(e.get(), AE_IFLNK);
            archive_entry_set_symlink(e.get(), m.target.c_str());
            break;
        case PackageMember::HardLink:
            archive_entry_set_filetype(e.get(), AE_IFREG);
            archive_entry_set_hardlink(e.get(), m.target.c_str());
            break;
        case PackageMember::CharDevice:
            archive_entry_set_filetype(e.get(), AE_IFCHR);
            archive_entry_set_rdev(e.get(), makedev(1, 3));
            break;
        case PackageMember::Fifo: archive_entry_set_filetype(e.get(), AE_IFIFO); break;
    }
    check(a, archive_write_header(a, e.get()));
    if (m.kind == PackageMember::File && !m.bytes.empty())
        if (archive_write_data(a, m.bytes.data(), m.bytes.size()) < 0) check(a, ARCHIVE_FATAL);
}

std::string tarball(const std::vector<PackageMember>& members) {
    std::string out;
    Writer a(archive_write_new(), &archive_write_free);
    check(a.get(), archive_write_set_format_pax_restricted(a.get()));
    check(a.get(), archive_write_add_filter_gzip(a.get()));
    check(a.get(), archive_write_open(a.get(), &out, nullptr, append, nullptr));
    for (const auto& m : members) add(a.get(), m);
    check(a.get(), archive_write_close(a.get()));
    return out;
}

}  // namespace

std::string controlText(const std::string& name, const std::string& version, const std::string& architecture,
                        const std::string& more) {
    return "Package: " + name + "\nVersion: " + version + "\nArchitecture: " + architecture + "\n" + more;
}

std::string makePackage(const std::string& control, const std::vector<PackageMember>& data,
                        const std::map<std::string, std::string>& scripts) {
    std::vector<PackageMember> controlMembers{{"./control", PackageMember::File, 0644, control, {}}};
    for (const auto& [name, body] : scripts) controlMembers.push_back({"./" + name, PackageMember::File, 0755, body, {}});
    std::string out;
    Writer a(archive_write_new(), &archive_write_free);
    check(a.get(), archive_write_set_format_ar_svr4(a.get()));
    // No padding after the last member: an ar archive ends with it.
    check(a.get(), archive_write_set_bytes_per_block(a.get(), 0));
    check(a.get(), archive_write_open(a.get(), &out, nullptr, append, nullptr));
    add(a.get(), {"debian-binary", PackageMember::File, 0644, "2.0\n", {}});
    add(a.get(), {"control.tar.gz", PackageMember::File, 0644, tarball(controlMembers), {}});
    add(a.get(), {"data.tar.gz", PackageMember::File, 0644, tarball(data), {}});
    check(a.get(), archive_write_close(a.get()));
    return out;
}

std::string machineArchitecture() {
    Output dpkg = run({"/usr/bin/dpkg", "--print-architecture"});
    if (dpkg.exitCode != 0) throw std::runtime_error("dpkg --print-architecture failed: " + dpkg.err);
    return dpkg.out.substr(0, dpkg.out.find('\n'));
}

std::string writePackage(const std::filesystem::path& folder, const std::string& name, const std::string& bytes) {
    std::filesystem::path file = folder / name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file.string();
}
