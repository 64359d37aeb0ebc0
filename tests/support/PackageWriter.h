// Packages in the phone's Debian format made by a test, with whatever they
// should not hold: links, device files, set-id files, paths that climb out.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct PackageMember {
    enum Kind { File, Folder, Link, HardLink, CharDevice, Fifo };
    PackageMember(std::string p, Kind k = File, unsigned m = 0644, std::string b = {}, std::string t = {})
        : path(std::move(p)), kind(k), mode(m), bytes(std::move(b)), target(std::move(t)) {}
    std::string path;  // as the archive names it: "./Library/x"
    Kind kind = File;
    unsigned mode = 0644;  // with set-id bits if wanted
    std::string bytes;     // a file's contents
    std::string target;    // a link's
};

// "Package: NAME\nVersion: V\nArchitecture: ARCH\n" and any more lines.
std::string controlText(const std::string& name, const std::string& version, const std::string& architecture,
                        const std::string& more = {});

// The package's bytes: debian-binary, control.tar.gz (the control file and
// the scripts, by name), data.tar.gz (the members, in order).
std::string makePackage(const std::string& control, const std::vector<PackageMember>& data,
                        const std::map<std::string, std::string>& scripts = {});

// This machine's Debian architecture, as dpkg tells it.
std::string machineArchitecture();

// Writes a package's bytes as `folder`/`name`; answers the file's path.
std::string writePackage(const std::filesystem::path& folder, const std::string& name, const std::string& bytes);
