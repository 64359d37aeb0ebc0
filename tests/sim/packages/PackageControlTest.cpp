// A package's fields, relations and versions, as the phone's package manager reads them.
#include <gtest/gtest.h>

#include "device/PackageControl.h"

namespace {

TEST(PackageControl, ReadsOneParagraphWithContinuationLines) {
    auto c = sim::parseControl("Package: com.example.x\nVersion: 1.0-2\nDescription: short\n more text\n .\n end\n");
    ASSERT_TRUE(c) << c.reason();
    EXPECT_EQ((*c)["package"], "com.example.x") << "field names are found in any case";
    EXPECT_EQ((*c)["Version"], "1.0-2");
    EXPECT_EQ((*c)["Description"].rfind("short\n more text", 0), 0u);
    EXPECT_EQ((*c)["Depends"], "");
    EXPECT_FALSE(sim::parseControl("Package: a\n\nPackage: b\n")) << "two paragraphs";
    EXPECT_FALSE(sim::parseControl("\n\n"));
    EXPECT_FALSE(sim::parseControl(std::string("Package: a\0b\n", 13)));
}

TEST(PackageControl, ReadsRelationsWithAlternativesAndVersions) {
    auto r = sim::parseRelations("mobilesubstrate, preferenceloader (>= 2.2) | com.a.loader, firmware (<< 12.0)");
    ASSERT_TRUE(r) << r.reason();
    ASSERT_EQ(r->size(), 3u);
    EXPECT_EQ((*r)[0].size(), 1u);
    EXPECT_EQ((*r)[0][0].text(), "mobilesubstrate");
    ASSERT_EQ((*r)[1].size(), 2u);
    EXPECT_EQ((*r)[1][0].text(), "preferenceloader (>= 2.2)");
    EXPECT_EQ((*r)[1][1].package, "com.a.loader");
    EXPECT_EQ((*r)[2][0].op, "<<");
    EXPECT_TRUE(sim::parseRelations("")->empty());
    EXPECT_FALSE(sim::parseRelations("a (>= )"));
    EXPECT_FALSE(sim::parseRelations("a |"));
}

TEST(PackageControl, ComparesVersionsAsTheFormatDoes) {
    EXPECT_LT(sim::compareVersions("1.3.0", "1.4.0"), 0);
    EXPECT_LT(sim::compareVersions("1.4.0~beta1", "1.4.0"), 0) << "a tilde sorts before everything";
    EXPECT_LT(sim::compareVersions("1.9", "1.10"), 0) << "numbers compare as numbers";
    EXPECT_GT(sim::compareVersions("1:0.1", "9.9"), 0) << "the epoch comes first";
    EXPECT_EQ(sim::compareVersions("1.0-1", "1.0-1"), 0);
    sim::Relation atLeast{"firmware", ">=", "10.0"};
    EXPECT_TRUE(sim::meets("11.1.2", atLeast));
    EXPECT_FALSE(sim::meets("9.3.5", atLeast));
    EXPECT_TRUE(sim::meets("anything", sim::Relation{"firmware", "", ""}));
    EXPECT_FALSE(sim::meets("12.0", sim::Relation{"firmware", "<<", "12.0"}));
}

TEST(PackageControl, KnowsPackageNamesAndVersions) {
    for (const char* good : {"com.tovik.orvelle", "a0", "libfoo+bar-2"}) EXPECT_TRUE(sim::isPackageName(good)) << good;
    for (const char* bad : {"", "a", "Com.Tovik", "-abc", "a b", "a/b", "a_b"}) EXPECT_FALSE(sim::isPackageName(bad)) << bad;
    for (const char* good : {"1.0", "1:2.3-4", "0.9~rc1", "10.0+git1"}) EXPECT_TRUE(sim::isPackageVersion(good)) << good;
    for (const char* bad : {"", "v1.0", "1.0 beta", ":1", "a:1.0", "1.0/2"}) EXPECT_FALSE(sim::isPackageVersion(bad)) << bad;
}

}  // namespace
