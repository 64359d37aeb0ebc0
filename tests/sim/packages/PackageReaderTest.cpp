// Reading a package as untrusted input: what comes out of a good one, and
// every kind of package that is refused whole.
#include <gtest/gtest.h>

#include "PackageWriter.h"
#include "device/DebPackage.h"

namespace {

using Kind = PackageMember::Kind;

std::string control() { return controlText("com.example.x", "1.0", "amd64"); }

ns::Result<sim::DebPackage> read(const std::vector<PackageMember>& data, const sim::PackageLimits& limits = {}) {
    return sim::readPackage(makePackage(control(), data), limits);
}

TEST(PackageReader, GivesTheControlScriptsFoldersAndFilesBeneathTheRoot) {
    auto package = sim::readPackage(makePackage(
        control(),
        {{"./", Kind::Folder, 0755}, {"./Library/", Kind::Folder, 0755},
         {"./Library/x.dylib", Kind::File, 0755, "ELF"}, {"Library/y.plist", Kind::File, 0600, "<plist/>"}},
        {{"postinst", "#!/bin/sh\n"}, {"md5sums", "ignored"}}));
    ASSERT_TRUE(package) << package.reason();
    EXPECT_EQ(package->control, control());
    EXPECT_EQ(package->scripts.size(), 1u);
    EXPECT_EQ(package->scripts.at("postinst"), "#!/bin/sh\n");
    ASSERT_EQ(package->entries.size(), 3u) << "the root itself is no entry";
    EXPECT_EQ(package->entries[0].path, "/Library");
    EXPECT_TRUE(package->entries[0].folder);
    EXPECT_EQ(package->entries[1].path, "/Library/x.dylib");
    EXPECT_EQ(package->entries[1].mode, 0755u);
    EXPECT_EQ(package->entries[1].bytes, "ELF");
    EXPECT_EQ(package->entries[2].path, "/Library/y.plist");
    EXPECT_EQ(package->entries[2].mode, 0600u);
}

TEST(PackageReader, RefusesWhatIsNotAFolderOrARegularFile) {
    struct Case {
        PackageMember member;
        const char* says;
    } cases[] = {
        {{"./Library/passwd", Kind::Link, 0777, {}, "/etc/passwd"}, "holds a link: ./Library/passwd -> /etc/passwd"},
        {{"./Library/again", Kind::HardLink, 0644, {}, "./Library/a"}, "holds a link: ./Library/again => ./Library/a"},
        {{"./Library/null", Kind::CharDevice, 0666}, "holds a device file: ./Library/null"},
        {{"./Library/pipe", Kind::Fifo, 0644}, "holds a FIFO: ./Library/pipe"},
        {{"./Library/root-shell", Kind::File, 04755, "x"}, "holds a set-id file: ./Library/root-shell"},
        {{"./Library/group-shell", Kind::File, 02755, "x"}, "holds a set-id file: ./Library/group-shell"},
        {{"./Library/../../etc/cron.d/x", Kind::File, 0644, "x"}, "has a path that escapes its root"},
        {{"/etc/passwd", Kind::File, 0644, "x"}, "has an absolute path that escapes its root"},
        {{"./Library/line\nbreak", Kind::File, 0644, "x"}, "has a path with a control character"},
    };
    for (const Case& c : cases) {
        auto package = read({{"./Library/a", Kind::File, 0644, "a"}, c.member});
        ASSERT_FALSE(package) << c.member.path;
        EXPECT_NE(package.reason().find(c.says), std::string::npos) << package.reason();
    }
}

TEST(PackageReader, RefusesACorruptOrIncompleteArchive) {
    std::string good = makePackage(control(), {{"./Library/a", Kind::File, 0644, std::string(5000, 'a')}});
    ASSERT_TRUE(sim::readPackage(good));
    EXPECT_NE(sim::readPackage("").reason().find("is not a package"), std::string::npos);
    EXPECT_NE(sim::readPackage("!<arch>\ngarbage that is no member").reason().find("is not a package"), std::string::npos);
    auto truncated = sim::readPackage(good.substr(0, good.size() - 40));
    EXPECT_FALSE(truncated);
    // The data member's body starts after its 60-byte header.
    std::string damaged = good;
    damaged[good.find("data.tar.gz") + 60] ^= 0x5a;
    auto refused = sim::readPackage(damaged);
    ASSERT_FALSE(refused) << "a damaged compressed member is refused";
    EXPECT_NE(refused.reason().find("is not a package: data archive"), std::string::npos) << refused.reason();
    EXPECT_TRUE(sim::readPackage(makePackage(control(), {}))) << "an empty data archive is a package";
}

TEST(PackageReader, KeepsWithinItsLimits) {
    sim::PackageLimits limits;
    limits.unpackedBytes = 1000;
    auto big = read({{"./Library/big", Kind::File, 0644, std::string(1001, 'x')}}, limits);
    ASSERT_FALSE(big);
    EXPECT_NE(big.reason().find("is too large"), std::string::npos) << big.reason();
    limits = {};
    limits.entries = 3;
    EXPECT_FALSE(read({{"./a", Kind::Folder, 0755}, {"./a/b", Kind::Folder, 0755}, {"./a/c", Kind::Folder, 0755},
                       {"./a/d", Kind::Folder, 0755}},
                      limits));
    limits = {};
    limits.depth = 3;
    EXPECT_TRUE(read({{"./a/b/c", Kind::File, 0644, "x"}}, limits));
    EXPECT_NE(read({{"./a/b/c/d", Kind::File, 0644, "x"}}, limits).reason().find("deeper"), std::string::npos);
    limits = {};
    limits.packageBytes = 100;
    EXPECT_NE(read({}, limits).reason().find("is too large"), std::string::npos);
    auto twice = read({{"./Library/a", Kind::File, 0644, "1"}, {"./Library/a", Kind::File, 0644, "2"}});
    EXPECT_NE(twice.reason().find("twice"), std::string::npos) << twice.reason();
}

}  // namespace
