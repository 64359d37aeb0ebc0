// Which shots a matrix draws and how its shards share them.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "matrix/Combinations.h"
#include "matrix/Shard.h"

namespace {

using matrix::Combination;

std::vector<std::string> namesOf(const std::vector<Combination>& all) {
    std::vector<std::string> names;
    for (const Combination& c : all) names.push_back(c.name());
    return names;
}

TEST(MatrixCombinations, DefaultIsEveryPhoneScreenOnTenAndElevenBothStylesThreeLocales) {
    auto all = matrix::combinations({});
    ASSERT_TRUE(all) << all.reason();
    // Three phone screens ran 10 and 11, the one without a home button only 11.
    EXPECT_EQ(all->size(), (3 + 4) * 2 * 3u);
    std::set<std::string> pairs;
    for (const Combination& c : *all) {
        EXPECT_EQ(c.model, "iPhone");
        pairs.insert(c.version + " " + c.screen());
    }
    EXPECT_EQ(pairs.count("10.3.3 375x812"), 0u) << "the 375x812 screen came with 11";
    EXPECT_EQ(pairs.count("11.1.2 375x812"), 1u);
    EXPECT_EQ(all->front().name(), "10.3.3-320x568-stacked-en_US");
    EXPECT_EQ(all->back().name(), "11.1.2-375x812-row-ja_JP");
    // The table's scale comes with each screen.
    for (const Combination& c : *all)
        if (c.screen() == "414x736" || c.screen() == "375x812") {
            EXPECT_EQ(c.scale, 3) << c.name();
        }
}

TEST(MatrixCombinations, ChoicesNarrowItAndAreChecked) {
    auto some = matrix::combinations({{"375x812", "768x1024"}, {"11"}, {"row"}, {"fr_FR"}});
    ASSERT_TRUE(some) << some.reason();
    EXPECT_EQ(namesOf(*some), (std::vector<std::string>{"11.1.2-375x812-row-fr_FR", "11.1.2-768x1024-row-fr_FR"}));
    EXPECT_EQ((*some)[1].model, "iPad");

    struct Refused {
        matrix::MatrixChoice choice;
        std::string says;
    };
    for (const Refused& r : std::vector<Refused>{
             {{{"376x812"}, {}, {}, {}}, "376x812"},
             {{{}, {"12.0"}, {}, {}}, "12.0"},
             {{{}, {}, {"diagonal"}, {}}, "diagonal"},
             {{{}, {}, {}, {"xx_../YY"}}, "xx_../YY"},
             {{{}, {}, {"row", "row"}, {}}, "twice"},
             {{{"375x812"}, {"10"}, {}, {}}, "no screen"},
         }) {
        auto refused = matrix::combinations(r.choice);
        ASSERT_FALSE(refused) << r.says;
        EXPECT_NE(refused.reason().find(r.says), std::string::npos) << refused.reason();
    }
}

TEST(MatrixShards, ShareTheCombinationsDisjointAndWhole) {
    auto all = matrix::combinations({});
    ASSERT_TRUE(all);
    for (int count : {1, 2, 3, 5, 42, 50}) {
        std::multiset<std::string> seen;
        std::size_t smallest = all->size(), largest = 0;
        for (int index = 1; index <= count; ++index) {
            auto share = matrix::shareOf(*all, {index, count});
            smallest = std::min(smallest, share.size());
            largest = std::max(largest, share.size());
            for (const Combination& c : share) seen.insert(c.name());
        }
        EXPECT_EQ(seen.size(), all->size()) << count << " shards";
        for (const std::string& name : namesOf(*all)) EXPECT_EQ(seen.count(name), 1u) << name << " in " << count << " shards";
        EXPECT_LE(largest - smallest, 1u) << count << " shards";
    }
}

TEST(MatrixShards, ParseOnlyIOfN) {
    auto ok = matrix::parseShard("2/3");
    ASSERT_TRUE(ok) << ok.reason();
    EXPECT_EQ(ok->index, 2);
    EXPECT_EQ(ok->count, 3);
    EXPECT_EQ(matrix::shardText(*ok), "2/3");
    for (const char* bad : {"0/3", "4/3", "1/0", "3", "1/3/4", "-1/3", "1/ 3", "a/b", "1/1001", ""})
        EXPECT_FALSE(matrix::parseShard(bad)) << bad;
}

}  // namespace
