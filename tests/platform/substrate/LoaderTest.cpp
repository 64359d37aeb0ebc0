// Loading a folder of tweaks: order, filters, failures, and one log line each.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "Probe.h"
#include "substrate/Loader.h"

namespace {

namespace fs = std::filesystem;
using substrate::LoaderProcess;

const LoaderProcess kSpringBoard{"SpringBoard", {"com.apple.springboard"}, 1445.32};
const char* const kSpringBoardFilter =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>Filter</key><dict>"
    "<key>Bundles</key><array><string>com.apple.springboard</string></array></dict></dict></plist>\n";

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "loader-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        probeLoaded().clear();
    }
    void TearDown() override { fs::remove_all(folder); }

    // Each library is a fresh copy, so the process loads it anew.
    void addLibrary(const std::string& name) { fs::copy_file(LOADER_TWEAK_PATH, folder / name); }
    void write(const std::string& name, const std::string& contents) { std::ofstream(folder / name) << contents; }

    std::vector<std::string> load(const LoaderProcess& process = kSpringBoard) {
        lines.clear();
        outcomes = substrate::loadTweaks(folder.string(), process, [this](const std::string& l) { lines.push_back(l); });
        return probeLoaded();
    }

    fs::path folder;
    std::vector<std::string> lines;
    std::vector<substrate::LoadOutcome> outcomes;
};

TEST_F(LoaderTest, LoadsInFileNameOrderAndIgnoresOtherFiles) {
    addLibrary("b.dylib");
    addLibrary("!early.dylib");
    addLibrary("   First.dylib");
    addLibrary("a.dylib");
    addLibrary("Zed.dylib");
    addLibrary("a.dylib.disabled");
    addLibrary("c.so");
    write("a.plist", kSpringBoardFilter);
    EXPECT_EQ(load(), (std::vector<std::string>{"   First.dylib", "!early.dylib", "a.dylib", "b.dylib", "Zed.dylib"}));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Loader: loading    First.dylib (no filter)",
                         "Loader: loading !early.dylib (no filter)",
                         "Loader: loading a.dylib (filter matched)",
                         "Loader: loading b.dylib (no filter)",
                         "Loader: loading Zed.dylib (no filter)",
                     }));
}

TEST_F(LoaderTest, AFilterThatDoesNotMatchKeepsTheLibraryOutAndSaysWhich) {
    addLibrary("Settings.dylib");
    write("Settings.plist",
          "<plist version=\"1.0\"><dict><key>Filter</key><dict><key>Bundles</key><array>"
          "<string>com.apple.Preferences</string></array></dict></dict></plist>");
    EXPECT_TRUE(load().empty());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Loader: not loading Settings.dylib (filter did not match: Bundles)");
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_FALSE(outcomes[0].loaded);
}

TEST_F(LoaderTest, CorruptOrUnreadableFiltersSkipTheLibraryAndLoadingGoesOn) {
    addLibrary("a.dylib");
    addLibrary("b.dylib");
    addLibrary("c.dylib");
    addLibrary("d.dylib");
    write("a.plist", "<plist><dict><key>Filter</key>");  // cut short
    write("b.plist", "");
    write("c.plist", "<plist version=\"1.0\"><array/></plist>");
    fs::create_directory(folder / "d.plist");
    addLibrary("e.dylib");
    EXPECT_EQ(load(), std::vector<std::string>{"e.dylib"});
    ASSERT_EQ(lines.size(), 5u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(lines[i].rfind(std::string("Loader: skipping ") + char('a' + i) + ".dylib (corrupt filter", 0), 0u)
            << lines[i];
}

TEST_F(LoaderTest, ALoadFailureIsLoggedWithTheReasonAndLoadingGoesOn) {
    write("Broken.dylib", "not a library");
    addLibrary("Working.dylib");
    EXPECT_EQ(load(), std::vector<std::string>{"Working.dylib"});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Loader: loading Broken.dylib (no filter)");
    EXPECT_EQ(lines[1].rfind("Loader: failed to load Broken.dylib: ", 0), 0u);
    EXPECT_NE(lines[1].find("Broken.dylib"), lines[1].rfind("Broken.dylib")) << "the reason names the file: " << lines[1];
    EXPECT_FALSE(outcomes[0].loaded);
    EXPECT_TRUE(outcomes[1].loaded);
}

TEST_F(LoaderTest, TheProcessDecidesWhichLibrariesLoad) {
    addLibrary("OnlyTen.dylib");
    write("OnlyTen.plist",
          "<plist version=\"1.0\"><dict><key>Filter</key><dict><key>CoreFoundationVersion</key><array>"
          "<real>1348.0</real><real>1443.0</real></array></dict></dict></plist>");
    LoaderProcess eleven = kSpringBoard;
    EXPECT_TRUE(load(eleven).empty());
    EXPECT_EQ(lines.at(0).rfind("Loader: not loading OnlyTen.dylib (filter did not match: CoreFoundationVersion", 0), 0u);

    LoaderProcess ten = kSpringBoard;
    ten.coreFoundationVersion = substrate::coreFoundationVersionFor("10.3.3");
    EXPECT_EQ(load(ten), std::vector<std::string>{"OnlyTen.dylib"});
}

TEST(Loader, AMissingFolderLoadsNothingAndSaysSo) {
    std::vector<std::string> lines;
    auto outcomes = substrate::loadTweaks("/nonexistent/DynamicLibraries", kSpringBoard,
                                          [&](const std::string& l) { lines.push_back(l); });
    EXPECT_TRUE(outcomes.empty());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("Loader: cannot read /nonexistent/DynamicLibraries", 0), 0u);
}

}  // namespace
