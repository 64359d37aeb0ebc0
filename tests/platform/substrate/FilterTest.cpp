// Filter plists judged against a process, as the device's loader does.
#include <gtest/gtest.h>

#include "foundation/PropertyList.h"
#include "substrate/Loader.h"

namespace {

using substrate::FilterVerdict;
using substrate::LoaderProcess;
using substrate::matchFilter;

id plist(const std::string& filterBody) {
    return ns::dictionaryFromData(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>Filter</key><dict>" + filterBody +
        "</dict></dict></plist>");
}

std::string strings(const char* key, std::initializer_list<const char*> names) {
    std::string s = std::string("<key>") + key + "</key><array>";
    for (const char* n : names) s += std::string("<string>") + n + "</string>";
    return s + "</array>";
}

const LoaderProcess kSpringBoard{"SpringBoard", {"com.apple.springboard"}, 1445.32};

TEST(CoreFoundationVersion, TakesTheLatestReleaseNotAfterTheSystemVersion) {
    EXPECT_DOUBLE_EQ(substrate::coreFoundationVersionFor("10.0"), 1348.00);
    EXPECT_DOUBLE_EQ(substrate::coreFoundationVersionFor("10.3.3"), 1349.56);
    EXPECT_DOUBLE_EQ(substrate::coreFoundationVersionFor("10.2.1"), 1348.00);
    EXPECT_DOUBLE_EQ(substrate::coreFoundationVersionFor("11"), 1443.00);
    EXPECT_DOUBLE_EQ(substrate::coreFoundationVersionFor("11.1.2"), 1445.32);
    EXPECT_DOUBLE_EQ(substrate::coreFoundationVersionFor("11.2"), 1445.32);
    EXPECT_DOUBLE_EQ(substrate::coreFoundationVersionFor("11.4"), 1452.23);
    // Numeric, not textual: 10.10 comes after 10.3.
    EXPECT_DOUBLE_EQ(substrate::coreFoundationVersionFor("10.10"), 1349.56);
}

TEST(CoreFoundationVersion, OlderOrUnreadableVersionsAreZero) {
    EXPECT_EQ(substrate::coreFoundationVersionFor("9.3.5"), 0);
    EXPECT_EQ(substrate::coreFoundationVersionFor(""), 0);
    EXPECT_EQ(substrate::coreFoundationVersionFor("eleven"), 0);
    EXPECT_EQ(substrate::coreFoundationVersionFor("11."), 0);
    EXPECT_EQ(substrate::coreFoundationVersionFor("11.1.2.4"), 0);
    EXPECT_EQ(substrate::coreFoundationVersionFor("-11"), 0);
}

TEST(Filter, EveryPresentListMustMatchUnlessModeIsAny) {
    std::string bundles = strings("Bundles", {"com.example.other", "com.apple.springboard"});
    std::string wrongExecutable = strings("Executables", {"Preferences"});
    EXPECT_EQ(matchFilter(plist(bundles), kSpringBoard).kind, FilterVerdict::Match);

    FilterVerdict both = matchFilter(plist(bundles + wrongExecutable), kSpringBoard);
    EXPECT_EQ(both.kind, FilterVerdict::NoMatch);
    EXPECT_EQ(both.detail, "Executables");

    std::string any = "<key>Mode</key><string>Any</string>";
    EXPECT_EQ(matchFilter(plist(bundles + wrongExecutable + any), kSpringBoard).kind, FilterVerdict::Match);
    EXPECT_EQ(matchFilter(plist(wrongExecutable + strings("Bundles", {"x"}) + any), kSpringBoard).kind,
              FilterVerdict::NoMatch);
}

TEST(Filter, ExecutablesAndBundlesCompareExactly) {
    EXPECT_EQ(matchFilter(plist(strings("Executables", {"springboard"})), kSpringBoard).kind, FilterVerdict::NoMatch);
    EXPECT_EQ(matchFilter(plist(strings("Executables", {"SpringBoard"})), kSpringBoard).kind, FilterVerdict::Match);
    EXPECT_EQ(matchFilter(plist(strings("Bundles", {"com.apple"})), kSpringBoard).kind, FilterVerdict::NoMatch);
}

TEST(Filter, ClassesMatchClassesRegisteredInTheProcess) {
    std::string classes = strings("Classes", {"LoaderTestHostClass"});
    EXPECT_EQ(matchFilter(plist(classes), kSpringBoard).kind, FilterVerdict::NoMatch);
    rt::objc_registerClass("LoaderTestHostClass", rt::NSObjectClass());
    EXPECT_EQ(matchFilter(plist(classes), kSpringBoard).kind, FilterVerdict::Match);
}

TEST(Filter, CoreFoundationVersionIsAHalfOpenRangeRequiredInEveryMode) {
    auto range = [](const char* inner) {
        return std::string("<key>CoreFoundationVersion</key><array>") + inner + "</array>";
    };
    LoaderProcess p = kSpringBoard;
    p.coreFoundationVersion = 1443.00;
    EXPECT_EQ(matchFilter(plist(range("<real>1443.0</real>")), p).kind, FilterVerdict::Match);
    EXPECT_EQ(matchFilter(plist(range("<integer>1348</integer><real>1443.0</real>")), p).kind, FilterVerdict::NoMatch);
    EXPECT_EQ(matchFilter(plist(range("<integer>1348</integer><real>1443.01</real>")), p).kind, FilterVerdict::Match);
    EXPECT_EQ(matchFilter(plist(range("<real>1445.32</real>")), p).kind, FilterVerdict::NoMatch);
    // A matching list under Mode Any does not lift the version bound.
    std::string anyBundles = "<key>Mode</key><string>Any</string>" + strings("Bundles", {"com.apple.springboard"});
    EXPECT_EQ(matchFilter(plist(range("<real>1445.32</real>") + anyBundles), p).kind, FilterVerdict::NoMatch);
}

TEST(Filter, MalformedFiltersAreCorrupt) {
    const char* bodies[] = {
        "<key>CoreFoundationVersion</key><array/>",
        "<key>CoreFoundationVersion</key><array><real>1</real><real>2</real><real>3</real></array>",
        "<key>CoreFoundationVersion</key><array><string>1348</string></array>",
        "<key>CoreFoundationVersion</key><real>1348</real>",
        "<key>Bundles</key><string>com.apple.springboard</string>",
        "<key>Executables</key><array><integer>1</integer></array>",
    };
    for (const char* body : bodies) EXPECT_EQ(matchFilter(plist(body), kSpringBoard).kind, FilterVerdict::Corrupt) << body;

    id filterNotADictionary = ns::dictionaryFromData(
        "<plist version=\"1.0\"><dict><key>Filter</key><array/></dict></plist>");
    EXPECT_EQ(matchFilter(filterNotADictionary, kSpringBoard).kind, FilterVerdict::Corrupt);
    EXPECT_EQ(matchFilter(id{}, kSpringBoard).kind, FilterVerdict::Corrupt);
}

TEST(Filter, AFilterWithoutConditionsMatches) {
    EXPECT_EQ(matchFilter(plist(""), kSpringBoard).kind, FilterVerdict::Match);
    EXPECT_EQ(matchFilter(ns::dictionaryFromData("<plist version=\"1.0\"><dict/></plist>"), kSpringBoard).kind,
              FilterVerdict::Match);
}

}  // namespace
