#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "foundation/FileReplace.h"

namespace fs = std::filesystem;

namespace {

class FileReplace : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "orvelle-replace-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(pattern.data()));
        folder = pattern;
    }
    void TearDown() override { fs::remove_all(folder); }

    static std::string read(const fs::path& file) {
        std::ifstream in(file);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::size_t entries() const { return std::distance(fs::directory_iterator(folder), fs::directory_iterator()); }

    fs::path folder;
};

}  // namespace

TEST_F(FileReplace, WritesANewFileAndReplacesAnOldOneKeepingItsPermissions) {
    fs::path file = folder / "settings.plist";
    ASSERT_TRUE(ns::replaceFile(file, "first").ok());
    EXPECT_EQ(read(file), "first");
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    ASSERT_TRUE(ns::replaceFile(file, "second").ok());
    EXPECT_EQ(read(file), "second");
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(entries(), 1u) << "a temporary file was left behind";
}

TEST_F(FileReplace, ALinkInThePlaceOfTheFileIsReplacedNotFollowed) {
    fs::path target = folder / "elsewhere";
    { std::ofstream(target) << "untouched"; }
    fs::path file = folder / "boot.state";
    fs::create_symlink(target, file);
    ASSERT_TRUE(ns::replaceFile(file, "new").ok());
    EXPECT_FALSE(fs::is_symlink(file));
    EXPECT_EQ(read(file), "new");
    EXPECT_EQ(read(target), "untouched");
}

TEST_F(FileReplace, AFailureSaysWhatAndWhereAndLeavesTheOldFile) {
    auto missing = ns::replaceFile((folder / "no-such-folder" / "file").string(), "x");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.reason().find("no-such-folder/file"), std::string::npos) << missing.reason();
    EXPECT_NE(missing.reason().find("No such file or directory"), std::string::npos) << missing.reason();

    // A folder in the place of the file: the rename fails, nothing is lost.
    fs::create_directory(folder / "taken");
    { std::ofstream(folder / "taken" / "inside") << "kept"; }
    auto taken = ns::replaceFile((folder / "taken").string(), "x");
    ASSERT_FALSE(taken.ok());
    EXPECT_NE(taken.reason().find("rename"), std::string::npos) << taken.reason();
    EXPECT_EQ(read(folder / "taken" / "inside"), "kept");
    EXPECT_EQ(entries(), 1u) << "a temporary file was left behind";
}

// What writers killed between making their temporary and renaming it leave:
// removed, and nothing else (another file's, a link, a folder, a name that is
// only like one).
TEST_F(FileReplace, TheTemporariesOfWritesCutShortAreRemovedAndNothingElse) {
    fs::path file = folder / "com.example.plist";
    ASSERT_TRUE(ns::replaceFile(file, "kept").ok());
    for (const char* left : {".com.example.plist.12345.tmp", ".com.example.plist.9.tmp"}) std::ofstream(folder / left) << "part";
    fs::path outside = folder / "outside";
    std::ofstream(outside) << "not mine";
    fs::create_symlink(outside, folder / ".com.example.plist.777.tmp");
    fs::create_directory(folder / ".com.example.plist.888.tmp");
    for (const char* other : {".other.plist.1.tmp", ".com.example.plist.x1.tmp", ".com.example.plist..tmp", "com.example.plist.1.tmp"})
        std::ofstream(folder / other) << "other";
    auto removed = ns::removeLeftTemporaries(file.string());
    ASSERT_TRUE(removed.ok()) << removed.reason();
    EXPECT_EQ(*removed, 2u);
    EXPECT_FALSE(fs::exists(folder / ".com.example.plist.12345.tmp"));
    EXPECT_FALSE(fs::exists(folder / ".com.example.plist.9.tmp"));
    EXPECT_TRUE(fs::is_symlink(folder / ".com.example.plist.777.tmp"));
    EXPECT_EQ(read(outside), "not mine");
    EXPECT_TRUE(fs::is_directory(folder / ".com.example.plist.888.tmp"));
    EXPECT_EQ(entries(), 4u + 4u) << "the file, outside, the link and the folder, and the four others";
    EXPECT_EQ(read(file), "kept");
    EXPECT_FALSE(ns::removeLeftTemporaries((folder / "gone/x.plist").string()).ok()) << "a folder that is not there says so";
}

TEST(Result, CarriesAValueOrAReasonAndRefusesTheValueOfAFailure) {
    ns::Result<int> good = 42;
    ASSERT_TRUE(good);
    EXPECT_EQ(*good, 42);
    EXPECT_EQ(good.reason(), "");
    ns::Result<int> bad = ns::fail("cannot read /x: Permission denied");
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.reason(), "cannot read /x: Permission denied");
    EXPECT_EQ(bad.valueOr(7), 7);
    EXPECT_THROW((void)bad.value(), std::logic_error);
}
