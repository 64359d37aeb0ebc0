// The report read back as it was written, anything else refused; shards
// merged only when they are all the shards of one matrix, and nothing of a
// shard followed through a link.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "graphics/ImageFile.h"
#include "matrix/Output.h"
#include "matrix/Report.h"

namespace {

namespace fs = std::filesystem;
using matrix::Report;

Report sample(std::optional<matrix::Shard> shard = std::nullopt) {
    Report r;
    r.plan.choice = {{"375x812"}, {"11.1.2"}, {"stacked", "row"}, {"en_US", "ja_JP"}};
    r.plan.at = "2026-12-07T21:05:02Z";
    r.plan.settings = {"useBlack=true"};
    auto all = matrix::combinations(r.plan.choice);
    auto mine = shard ? matrix::shareOf(*all, *shard) : *all;
    for (const matrix::Combination& c : mine) {
        matrix::Shot s;
        s.combination = c;
        if (c.style == "row") s.findings.push_back({matrix::kLowContrast, "UILabel \"21:05\" <b>", {{"UILabel", "libuikit.so.1"}}, {1, 2, 3, 4}});
        r.shots.push_back(s);
    }
    r.shard = shard;
    return r;
}

TEST(MatrixReport, ReadsBackAsItWasWritten) {
    Report r = sample();
    r.shots[1].error = "the headless SpringBoard failed";
    r.shots[2].comparison = matrix::Comparison{"different", 1234};
    std::string text = matrix::reportText(r);
    auto back = matrix::parseReport(text);
    ASSERT_TRUE(back) << back.reason();
    EXPECT_EQ(matrix::reportText(*back), text);
    EXPECT_EQ(back->findings(), 2u);
    EXPECT_EQ(back->failed(), 1u);
    EXPECT_EQ(back->changed(), 1u);
}

TEST(MatrixReport, RefusesWhatIsNotOne) {
    std::string good = matrix::reportText(sample());
    auto edited = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    struct Case {
        std::string text, says;
    };
    for (const Case& c : std::vector<Case>{
             {"[]", "format"},
             {edited("orvelle-matrix 1", "orvelle-matrix 9"), "format"},
             {edited("\"11.1.2-375x812-stacked-en_US\"", "\"../../etc/passwd\""), "not one its plan makes"},
             {edited("\"11.1.2-375x812-row-ja_JP\"", "\"11.1.2-375x812-row-en_US\""), "twice"},
             {edited("\"low-contrast\"", "\"bad-kind\""), "finding"},
             {edited("\"findings\": [", "\"findings\": 7, \"x\": ["), "findings"},
             {std::string(100, '{'), "deeper"},
         }) {
        auto parsed = matrix::parseReport(c.text);
        ASSERT_FALSE(parsed) << c.says;
        EXPECT_NE(parsed.reason().find(c.says), std::string::npos) << parsed.reason();
    }
}

struct Folder {
    fs::path path;
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "matrix-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        path = pattern;
    }
    ~Folder() { fs::remove_all(path); }
};

void writeFile(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

// A shard's output folder as a run leaves it, with one-pixel pictures.
void writeShard(const fs::path& folder, const Report& r) {
    ASSERT_TRUE(matrix::makeOutputFolders(folder));
    CGImageRef pixel = cg::makeFlatImage(1, 2, 10, 20, 30, 255);
    for (const matrix::Shot& s : r.shots) {
        ASSERT_TRUE(cg::writePNG(pixel, (folder / s.image()).string()));
        ASSERT_TRUE(cg::writePNG(pixel, (folder / s.thumb()).string()));
        writeFile(folder / s.dump(), "{}\n");
    }
    writeFile(folder / matrix::kReportFile, matrix::reportText(r));
}

TEST(MatrixOutput, IsANewFolderOrAnEarlierMatrixsDrawnAnew) {
    Folder work;
    ASSERT_TRUE(matrix::makeOutputFolders(work.path / "new"));
    EXPECT_TRUE(fs::is_directory(work.path / "new" / matrix::kShotsFolder));
    // An earlier run's shots go, so none is taken for this run's.
    writeShard(work.path / "earlier", sample());
    ASSERT_TRUE(matrix::makeOutputFolders(work.path / "earlier"));
    EXPECT_TRUE(fs::is_empty(work.path / "earlier" / matrix::kShotsFolder));
    EXPECT_FALSE(fs::exists(work.path / "earlier" / matrix::kReportFile));
    // A folder of someone's files is not emptied.
    writeFile(work.path / "mine" / "notes.txt", "keep");
    auto refused = matrix::makeOutputFolders(work.path / "mine");
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.reason().find("choose a new folder"), std::string::npos) << refused.reason();
    EXPECT_TRUE(fs::exists(work.path / "mine" / "notes.txt"));
}

TEST(MatrixMerge, JoinsAllShardsIntoTheReportOfOneRun) {
    Folder work;
    std::vector<fs::path> shards;
    for (int i : {3, 1, 2}) {
        shards.push_back(work.path / ("shard" + std::to_string(i)));
        writeShard(shards.back(), sample(matrix::Shard{i, 3}));
    }
    auto merged = matrix::mergeShards(shards, work.path / "merged");
    ASSERT_TRUE(merged) << merged.reason();
    EXPECT_EQ(matrix::reportText(*merged), matrix::reportText(sample()));
    for (const matrix::Shot& s : merged->shots) EXPECT_TRUE(fs::is_regular_file(work.path / "merged" / s.image())) << s.image();
}

TEST(MatrixMerge, RefusesShardsThatAreNotAllOfOneMatrix) {
    Folder work;
    auto shard = [&](const std::string& name, Report r) {
        writeShard(work.path / name, r);
        return work.path / name;
    };
    fs::path one = shard("one", sample(matrix::Shard{1, 2}));
    fs::path two = shard("two", sample(matrix::Shard{2, 2}));
    Report other = sample(matrix::Shard{2, 2});
    other.plan.settings = {"useBlack=false"};
    fs::path foreign = shard("foreign", other);
    fs::path whole = shard("whole", sample());
    fs::path ofThree = shard("three", sample(matrix::Shard{2, 3}));
    struct Case {
        std::vector<fs::path> shards;
        std::string says;
    };
    for (const Case& c : std::vector<Case>{{{one}, "shard 2/2 is missing"},
                                           {{one, one}, "given twice"},
                                           {{one, foreign}, "another matrix"},
                                           {{one, whole}, "whole run"},
                                           {{one, ofThree}, "not one of 2"}}) {
        auto merged = matrix::mergeShards(c.shards, work.path / "out");
        ASSERT_FALSE(merged) << c.says;
        EXPECT_NE(merged.reason().find(c.says), std::string::npos) << merged.reason();
    }
    // Merged into one of its own shards, a shard would be emptied first.
    auto intoShard = matrix::mergeShards({one, two}, two);
    ASSERT_FALSE(intoShard);
    EXPECT_NE(intoShard.reason().find("one of the shards"), std::string::npos) << intoShard.reason();
    EXPECT_FALSE(fs::is_empty(two / matrix::kShotsFolder));
    // A shot that is a link to a file elsewhere is not read.
    fs::path image = two / sample(matrix::Shard{2, 2}).shots[0].image();
    fs::remove(image);
    writeFile(work.path / "secret.png", "not the shard's");
    fs::create_symlink(work.path / "secret.png", image);
    auto merged = matrix::mergeShards({one, two}, work.path / "out");
    ASSERT_FALSE(merged);
    EXPECT_NE(merged.reason().find(image.string()), std::string::npos) << merged.reason();
    // Nor a shots folder that is a link.
    fs::remove_all(two / matrix::kShotsFolder);
    fs::create_directory_symlink(one / matrix::kShotsFolder, two / matrix::kShotsFolder);
    merged = matrix::mergeShards({one, two}, work.path / "out");
    ASSERT_FALSE(merged);
    EXPECT_NE(merged.reason().find("link"), std::string::npos) << merged.reason();
}

}  // namespace
