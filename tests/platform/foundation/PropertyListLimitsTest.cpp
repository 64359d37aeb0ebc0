// Hostile property lists: each is refused whole, quickly and with one log line
// naming the file and the limit, and the reader goes on with an empty list.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/Log.h"
#include "foundation/PropertyList.h"

namespace fs = std::filesystem;

namespace {

// A binary list whose objects are arrays; `refs[i]` are the objects array i holds.
std::string binaryArrays(const std::vector<std::vector<std::uint32_t>>& refs) {
    std::string out = "bplist00";
    std::vector<std::uint32_t> offsets;
    auto be32 = [&](std::uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<char>((v >> s) & 0xFF));
    };
    for (const auto& r : refs) {
        offsets.push_back(static_cast<std::uint32_t>(out.size()));
        if (r.size() < 15) {
            out.push_back(static_cast<char>(0xA0 | r.size()));
        } else {
            out.push_back(static_cast<char>(0xAF));
            out.push_back(static_cast<char>(0x12));
            be32(static_cast<std::uint32_t>(r.size()));
        }
        for (std::uint32_t ref : r) be32(ref);
    }
    std::uint64_t table = out.size();
    for (std::uint32_t o : offsets) be32(o);
    std::string trailer(32, '\0');
    trailer[6] = 4;  // offset size
    trailer[7] = 4;  // reference size
    auto put64 = [&](std::size_t at, std::uint64_t v) {
        for (int i = 0; i < 8; ++i) trailer[at + i] = static_cast<char>((v >> (56 - 8 * i)) & 0xFF);
    };
    put64(8, refs.size());
    put64(16, 0);
    put64(24, table);
    return out + trailer;
}

std::string nestedXml(int depth) {
    std::string s = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>deep</key>";
    for (int i = 0; i < depth; ++i) s += "<array>";
    for (int i = 0; i < depth; ++i) s += "</array>";
    return s + "</dict></plist>";
}

class Limits : public ::testing::Test {
protected:
    void SetUp() override {
        ns::setLogSink([this](const std::string& line) { log.push_back(line); });
        file = (fs::temp_directory_path() / ("plist-limits-" + std::to_string(getpid()) + ".plist")).string();
    }
    void TearDown() override {
        ns::setLogSink({});
        fs::remove(file);
    }
    void write(const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }
    bool logged(const std::string& what) const {
        for (const auto& l : log)
            if (l.find(file) != std::string::npos && l.find(what) != std::string::npos) return true;
        return false;
    }
    std::string file;
    std::vector<std::string> log;
};

}  // namespace

TEST_F(Limits, DeepNestingIsRefusedInEitherEncoding) {
    write(nestedXml(200000));  // 3 MB: it crashed the reader by recursion
    EXPECT_FALSE(ns::dictionaryWithContentsOfFile(file));
    EXPECT_TRUE(logged("nested deeper than 128 levels")) << (log.empty() ? "" : log[0]);

    std::vector<std::vector<std::uint32_t>> chain(100000);
    for (std::uint32_t i = 0; i + 1 < chain.size(); ++i) chain[i] = {i + 1};
    write(binaryArrays(chain));  // it pinned a core for 20 s
    log.clear();
    EXPECT_FALSE(ns::dictionaryWithContentsOfFile(file));
    EXPECT_TRUE(logged("nested deeper than 128 levels"));

    // At the limit, the list is read.
    write(nestedXml(127));
    log.clear();
    auto dict = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(file));
    ASSERT_TRUE(dict);
    EXPECT_TRUE(dict->objectForKey("deep"));
    EXPECT_TRUE(log.empty());
}

TEST_F(Limits, ABinaryListThatHoldsItselfIsRefused) {
    write(binaryArrays({{0}}));
    EXPECT_FALSE(ns::propertyListFromData(binaryArrays({{0}})));
    EXPECT_FALSE(ns::propertyListFromData(binaryArrays({{1}, {0}})));
    EXPECT_FALSE(ns::dictionaryWithContentsOfFile(file));
    EXPECT_TRUE(logged("a container that holds itself"));
    // Shared, not circular: two references to one object are fine.
    EXPECT_TRUE(ns::propertyListFromData(binaryArrays({{1, 1}, {}})));
}

TEST_F(Limits, ManyKeysAllArriveAndTheLastValueOfAKeyWins) {
    std::string xml = "<plist version=\"1.0\"><dict>";
    for (int i = 0; i < 80000; ++i) xml += "<key>k" + std::to_string(i) + "</key><integer>" + std::to_string(i) + "</integer>";
    xml += "<key>k5</key><integer>-5</integer></dict></plist>";
    write(xml);
    auto dict = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(file));
    ASSERT_TRUE(dict);
    EXPECT_EQ(dict->entries.size(), 80000u);
    EXPECT_EQ(dict->entries[5].first, "k5") << "a key given again keeps its place";
    EXPECT_EQ(std::get<std::int64_t>(rt::cast<NSNumber>(dict->objectForKey("k5"))->value), -5);
    EXPECT_EQ(std::get<std::int64_t>(rt::cast<NSNumber>(dict->objectForKey("k79999"))->value), 79999);
}

TEST_F(Limits, AFifoOrAnOversizedFileIsNotReadAtAll) {
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    EXPECT_FALSE(ns::dictionaryWithContentsOfFile(file)) << "a FIFO held the reader";
    fs::remove(file);
    { std::ofstream(file) << "<plist><dict/></plist>"; }
    fs::resize_file(file, 40 * 1024 * 1024);  // sparse: its size alone is too large
    EXPECT_FALSE(ns::dictionaryWithContentsOfFile(file));
    EXPECT_TRUE(logged("more than the 33554432 a list may have"));
}

// 13 arrays, each holding the next 14 times: 14^12 values once built from a
// few hundred bytes. The library builds a shared object once a reference.
TEST_F(Limits, AListWhoseObjectsAreSharedManyTimesOverIsBoundedByWhatItsParseBuilds) {
    std::vector<std::vector<std::uint32_t>> levels(13);
    for (std::uint32_t i = 0; i + 1 < levels.size(); ++i) levels[i].assign(14, i + 1);
    write(binaryArrays(levels));
    EXPECT_FALSE(ns::dictionaryWithContentsOfFile(file));
    EXPECT_TRUE(logged("more than 2000000 values once built")) << (log.empty() ? "" : log[0]);

    // Sharing that builds little is read: 14 x 14 x 14 empty arrays.
    levels.resize(4);
    levels[3] = {};
    EXPECT_TRUE(ns::propertyListFromData(binaryArrays(levels)));
    // Six levels (7.5 million) are past the bound, though each object is met once.
    levels.assign(7, std::vector<std::uint32_t>{});
    for (std::uint32_t i = 0; i + 1 < levels.size(); ++i) levels[i].assign(14, i + 1);
    EXPECT_FALSE(ns::propertyListFromData(binaryArrays(levels)));
}
