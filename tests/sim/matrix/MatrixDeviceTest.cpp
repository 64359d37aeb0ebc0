// The matrix on real devices: a clean run found clean, a fault of each kind
// planted and found by name, shards that merge into the very run one machine
// makes, and a baseline compared. Each run draws a few combinations only.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <future>

#include "Command.h"
#include "DumpReader.h"
#include "PackageWriter.h"

namespace {

namespace fs = std::filesystem;

struct Folder {
    fs::path path;
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "matrix-device-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        path = pattern;
    }
    ~Folder() { fs::remove_all(path); }
};

// One shot: the screen with the sensor housing, on 11, stacked, in English.
const std::vector<std::string> kOneShot = {"--screens", "375x812", "--versions", "11", "--styles", "stacked", "--locales", "en_US"};

Output matrix(const fs::path& out, std::vector<std::string> options) {
    options.insert(options.begin(), {"matrix", out.string()});
    return sim(options);
}

Json reportOf(const fs::path& out) {
    Json report = Json::parse(readFile(out / "report.json"), nullptr, false);
    EXPECT_FALSE(report.is_discarded()) << out / "report.json" << " is not JSON";
    return report;
}

// A package holding one preferences file of the mobile user.
std::string preferencesPackage(const fs::path& folder, const std::string& name, const std::string& file, const std::string& xml) {
    std::string bytes = makePackage(controlText("com.example." + name, "1.0", machineArchitecture()),
                                    {{"./var/", PackageMember::Folder, 0755},
                                     {"./var/mobile/", PackageMember::Folder, 0755},
                                     {"./var/mobile/Library/", PackageMember::Folder, 0755},
                                     {"./var/mobile/Library/Preferences/", PackageMember::Folder, 0755},
                                     {"./var/mobile/Library/Preferences/" + file, PackageMember::File, 0644, xml}});
    return writePackage(folder, name + ".deb", bytes);
}

std::string plist(const std::string& entries) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + entries + "</dict></plist>\n";
}

struct Planted {
    std::string name;
    std::function<std::vector<std::string>(const fs::path& work)> options;
    std::string kind;
    std::vector<std::string> classes;  // the views the finding names, in order
    std::string says;                  // in its message
};

std::ostream& operator<<(std::ostream& out, const Planted& p) { return out << p.name; }

const std::vector<Planted>& planted() {
    static const std::vector<Planted> all = {
        {"BlockOverTheList",
         // With Nine's list at the top, the panel's clock block lies over the notifications.
         [](const fs::path& work) {
             return std::vector<std::string>{
                 "--packages", NINE_PACKAGE, "--packages",
                 preferencesPackage(work, "nineon", "com.brannoch.nineprefs.plist", plist("<key>tweakEnabled</key><true/>")),
                 "--set", "moveTop=true"};
         },
         "overlap", {"OVClockDragView", "NCNotificationShortLookView"}, "OrvelleiOS10.dylib"},
        {"LongCustomDate",
         [](const fs::path&) {
             return std::vector<std::string>{"--set", "enableCDF=true", "--set", "dayFormat=EEEE", "--set",
                                             "dateFormat='This custom date is far too long for the panel' d MMMM yyyy"};
         },
         "clipped-text", {"UILabel"}, "This custom date"},
        {"BlockUnderTheHousing",
         [](const fs::path& work) {
             return std::vector<std::string>{
                 "--packages", preferencesPackage(work, "place", "com.tovik.orvelleClock.plist",
                                                  plist("<key>clockX</key><string>100</string><key>clockY</key><string>0</string>"))};
         },
         "overlap", {"sensor housing", "OVClockDragView"}, "sensor housing"},
        {"BlackTextKeptOnTheDarkWallpaper",
         [](const fs::path&) { return std::vector<std::string>{"--set", "useBlack=true", "--set", "disAutoBW=true"}; },
         "low-contrast", {"UILabel"}, "\"21:05\""},
        {"EmptyBox",
         [](const fs::path&) { return std::vector<std::string>{"--packages", EMPTY_BOX_PACKAGE}; },
         "empty-label", {"UILabel"}, "no text"},
    };
    return all;
}

class PlantedFault : public ::testing::TestWithParam<Planted> {};

TEST_P(PlantedFault, IsFoundAndNamed) {
    const Planted& p = GetParam();
    Folder work;
    std::vector<std::string> options = kOneShot;
    for (const std::string& o : p.options(work.path)) options.push_back(o);
    Output run = matrix(work.path / "out", options);
    EXPECT_EQ(run.exitCode, 1) << "a fault is found, so the run fails: " << run.out << run.err;
    Json report = reportOf(work.path / "out");
    ASSERT_EQ(report["shots"].size(), 1u) << run.err;
    const Json& shot = report["shots"][0];
    ASSERT_FALSE(shot.contains("error")) << shot["error"];
    const Json* found = nullptr;
    for (const Json& f : shot["findings"]) {
        if (f["kind"] != p.kind || f["views"].size() != p.classes.size()) continue;
        bool named = f["message"].get<std::string>().find(p.says) != std::string::npos;
        for (std::size_t i = 0; i < p.classes.size(); ++i) named = named && f["views"][i]["class"] == p.classes[i];
        if (named) found = &f;
    }
    ASSERT_NE(found, nullptr) << "no " << p.kind << " finding naming " << p.says << " among " << shot["findings"].dump(1);
    // The finding has its place on the screen, and the tool says it too.
    EXPECT_GT((*found)["rect"][2].get<double>(), 0);
    EXPECT_NE(run.out.find((*found)["message"].get<std::string>()), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(Matrix, PlantedFault, ::testing::ValuesIn(planted()),
                         [](const auto& info) { return info.param.name; });

// The look of this build, without a planted fault, is clean on every screen class.
TEST(MatrixDevice, CleanRunIsFoundCleanAndWritesItsSheets) {
    Folder work;
    Output run = matrix(work.path, {"--screens", "320x568,375x812", "--versions", "10,11", "--locales", "en_US,ja_JP", "--jobs", "2"});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    Json report = reportOf(work.path);
    // 320x568 on 10 and 11, 375x812 on 11 only; both styles; two locales.
    ASSERT_EQ(report["shots"].size(), 12u);
    EXPECT_EQ(report["summary"]["findings"], 0) << run.out;
    std::string page = readFile(work.path / "sheet.html");
    for (const Json& shot : report["shots"]) {
        for (const char* file : {"image", "dump", "thumb"})
            EXPECT_TRUE(fs::is_regular_file(work.path / shot[file].get<std::string>())) << shot[file];
        EXPECT_NE(page.find(shot["name"].get<std::string>()), std::string::npos) << shot["name"];
    }
    EXPECT_GT(fs::file_size(work.path / "sheet.png"), 10000u);
}

// Byte for byte: every file of the output folder.
void expectSameFolders(const fs::path& a, const fs::path& b) {
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(a)) {
        if (!entry.is_regular_file()) continue;
        fs::path relative = fs::relative(entry.path(), a);
        ++files;
        ASSERT_TRUE(fs::is_regular_file(b / relative)) << relative << " is in " << a << " only";
        EXPECT_TRUE(readFile(entry.path()) == readFile(b / relative)) << relative << " differs between " << a << " and " << b;
    }
    std::size_t others = 0;
    for (const auto& entry : fs::recursive_directory_iterator(b)) others += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, others) << b << " has files that " << a << " has not";
}

TEST(MatrixDevice, ThreeShardsMergedAreTheRunOfOneMachine) {
    Folder work;
    const std::vector<std::string> plan = {"--screens", "375x667,375x812", "--versions", "11", "--locales", "en_US"};
    auto options = [&](std::vector<std::string> more) {
        std::vector<std::string> all = plan;
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    std::vector<std::future<Output>> shards;
    for (int i = 1; i <= 3; ++i)
        shards.push_back(std::async(std::launch::async, [&, i] {
            return matrix(work.path / ("shard" + std::to_string(i)), options({"--shard", std::to_string(i) + "/3", "--jobs", "1"}));
        }));
    for (auto& shard : shards) {
        Output done = shard.get();
        EXPECT_EQ(done.exitCode, 0) << done.out << done.err;
    }
    Output one = matrix(work.path / "one", options({"--jobs", "2"}));
    ASSERT_EQ(one.exitCode, 0) << one.out << one.err;
    Output merged = sim({"matrix", "merge", (work.path / "merged").string(), (work.path / "shard2").string(),
                         (work.path / "shard3").string(), (work.path / "shard1").string()});
    ASSERT_EQ(merged.exitCode, 0) << merged.out << merged.err;
    EXPECT_EQ(reportOf(work.path / "merged")["shots"].size(), 4u);
    expectSameFolders(work.path / "one", work.path / "merged");

    // A merge with a shard missing says which.
    Output partial = sim({"matrix", "merge", (work.path / "partial").string(), (work.path / "shard1").string(),
                          (work.path / "shard3").string()});
    EXPECT_EQ(partial.exitCode, 1);
    EXPECT_NE(partial.err.find("shard 2/3 is missing"), std::string::npos) << partial.err;
}

TEST(MatrixDevice, MarksWhatChangedAgainstABaseline) {
    Folder work;
    Output baseline = matrix(work.path / "baseline", kOneShot);
    ASSERT_EQ(baseline.exitCode, 0) << baseline.out << baseline.err;

    std::vector<std::string> again = kOneShot;
    again.insert(again.end(), {"--compare", (work.path / "baseline").string()});
    Output same = matrix(work.path / "same", again);
    EXPECT_EQ(same.exitCode, 0) << same.out << same.err;
    EXPECT_EQ(reportOf(work.path / "same")["shots"][0]["compare"]["status"], "same");

    again.insert(again.end(), {"--set", "useBold=true"});
    Output changed = matrix(work.path / "changed", again);
    EXPECT_EQ(changed.exitCode, 1) << changed.out << changed.err;
    const Json shot = reportOf(work.path / "changed")["shots"][0];
    EXPECT_EQ(shot["compare"]["status"], "different");
    EXPECT_GT(shot["compare"]["differentPixels"].get<long long>(), 100);
    EXPECT_TRUE(fs::is_regular_file(work.path / "changed" / shot["compare"]["diff"].get<std::string>()));
}

TEST(MatrixDevice, RefusesWhatItCannotRun) {
    Folder work;
    struct Case {
        std::vector<std::string> options;
        std::string says;
    };
    for (const Case& c : std::vector<Case>{{{"--shard", "4/3"}, "I/N"},
                                           {{"--compare", work.path.string()}, "no report.json"},
                                           {{"--screens", "100x100"}, "100x100"},
                                           {{"--set", "novalue"}, "KEY=VALUE"},
                                           {{"--jobs", "0"}, "--jobs"},
                                           {{"--run", "-1"}, "--run"},
                                           {{"--at", "yesterday"}, "yesterday"}}) {
        Output refused = matrix(work.path / "out", c.options);
        EXPECT_EQ(refused.exitCode, 2) << c.says;
        EXPECT_NE(refused.err.find(c.says), std::string::npos) << refused.err;
        EXPECT_FALSE(fs::exists(work.path / "out")) << "nothing is drawn for a refused run";
    }
}

}  // namespace
