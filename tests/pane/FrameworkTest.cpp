// The settings framework: lists read from a bundle folder, values read with
// their defaults, and writes that keep types, other keys and unreadable files.
#include <fstream>

#include "PaneTestSupport.h"

namespace {

class FrameworkTest : public PaneTest {
protected:
    void SetUp() override {
        PaneTest::SetUp();
        std::ofstream(folder / "Test.plist") << R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>items</key><array>
<dict><key>cell</key><string>PSGroupCell</string><key>label</key><string>G</string><key>footerText</key><string>F</string></dict>
<dict><key>cell</key><string>PSSwitchCell</string><key>label</key><string>Neg</string><key>key</key><string>neg</string>
 <key>defaults</key><string>test.domain</string><key>default</key><true/><key>negate</key><true/></dict>
<dict><key>cell</key><string>PSLinkListCell</string><key>label</key><string>Mixed</string><key>key</key><string>mixed</string>
 <key>defaults</key><string>test.domain</string><key>validTitles</key><array><string>Num</string><string>Text</string></array>
 <key>validValues</key><array><integer>2</integer><string>2</string></array></dict>
<dict><key>cell</key><string>PSSliderCell</string><key>key</key><string>level</string><key>defaults</key><string>test.domain</string>
 <key>min</key><real>0</real><key>max</key><real>1</real></dict>
<dict><key>cell</key><string>PSEditTextCell</string><key>key</key><string>escape</string><key>defaults</key><string>../escape</string></dict>
<dict><key>cell</key><string>PSNoSuchCell</string><key>label</key><string>Odd</string><key>cellClass</key><string>NSString</string></dict>
<string>not a row</string>
</array></dict></plist>)";
        page = rt::allocInit("PSListController");
        ps::setBundlePath(page, folder.string());
        rows = ps::specifierList(page = withRows(page));
    }
    id withRows(const id& p) {
        rt::cast<PSListController>(p)->_specifiers =
            rt::send<id(id, id)>(p, "loadSpecifiersFromPlistName:target:", NSStr("Test"), p);
        return p;
    }
    id stored(const char* key) {
        auto d = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile((folder / "test.domain.plist").string()));
        return d ? d->objectForKey(key) : id{};
    }
    id page;
    std::vector<id> rows;
};

TEST_F(FrameworkTest, ListsBecomeSpecifiersWithTheirTypes) {
    ASSERT_EQ(rows.size(), 6u) << (log.empty() ? std::string() : log[0]);
    std::vector<long> types;
    for (const id& r : rows) types.push_back(ps::cellType(r));
    EXPECT_EQ(types, (std::vector<long>{PSGroupCell, PSSwitchCell, PSLinkListCell, PSSliderCell, PSEditTextCell,
                                        PSStaticTextCell}));
    EXPECT_TRUE(isEqualToString(ps::property(rows[0], "footerText"), "F"));
    EXPECT_EQ(str(rt::send<id()>(rows[1], "identifier")), "neg");
    EXPECT_EQ(log.size(), 2u) << "the unknown cell type and the item that is no dictionary";
    // A cell class that is no table cell falls back to the row type's own, and says so.
    EXPECT_TRUE(rt::isKindOfClass(ps::cellForSpecifier(page, rows[5]), "PSTableCell"));
    EXPECT_EQ(log.size(), 3u);
}

TEST_F(FrameworkTest, AMissingListIsEmptyAndLogged) {
    id other = rt::allocInit("PSListController");
    ps::setBundlePath(other, (folder / "nowhere").string());
    id list = rt::send<id(id, id)>(other, "loadSpecifiersFromPlistName:target:", NSStr("Root"), other);
    ASSERT_TRUE(rt::cast<NSArray>(list));
    EXPECT_TRUE(rt::cast<NSArray>(list)->items.empty());
    EXPECT_NE(log.back().find("nowhere/Root.plist"), std::string::npos);
}

TEST_F(FrameworkTest, ReadingAnswersTheStoredValueElseTheDefault) {
    id neg = rows[1];
    EXPECT_TRUE(ns::boolValue(ps::valueForSpecifier(page, neg)));
    EXPECT_FALSE(ui::isOn(ps::control(ps::cellForSpecifier(page, neg)))) << "negate shows the opposite";
    EXPECT_FALSE(ps::valueForSpecifier(page, rows[2]));
    EXPECT_EQ(ps::chooseListItem(page, rows[2], 1).reason(), "");
    EXPECT_TRUE(isEqualToString(ps::valueForSpecifier(page, rows[2]), "2"));
}

TEST_F(FrameworkTest, ListsStoreTheChosenValueAsItIs) {
    EXPECT_EQ(ps::chooseListItem(page, rows[2], 0).reason(), "");
    auto n = rt::cast<NSNumber>(stored("mixed"));
    ASSERT_TRUE(n);
    EXPECT_EQ(n->value, NSNumber::Value{std::int64_t{2}});
    EXPECT_EQ(ps::chooseListItem(page, rows[2], 1).reason(), "");
    EXPECT_TRUE(isEqualToString(stored("mixed"), "2"));
    EXPECT_NE(ps::chooseListItem(page, rows[2], 2).reason(), "");
}

TEST_F(FrameworkTest, SwitchesWriteOnlyWhenThePersonChangesThem) {
    id neg = rows[1];
    EXPECT_EQ(ps::setSwitch(page, neg, false).reason(), "");  // already shown off
    EXPECT_FALSE(std::filesystem::exists(folder / "test.domain.plist"));
    EXPECT_EQ(ps::setSwitch(page, neg, true).reason(), "");
    auto n = rt::cast<NSNumber>(stored("neg"));
    ASSERT_TRUE(n);
    EXPECT_EQ(n->value, NSNumber::Value{false}) << "a negated switch stores the opposite";
}

TEST_F(FrameworkTest, WritesKeepOtherKeysAndSlidersStayInRange) {
    EXPECT_EQ(ps::setSlider(page, rows[3], 7.5).reason(), "");
    EXPECT_EQ(ps::chooseListItem(page, rows[2], 0).reason(), "");
    EXPECT_EQ(ns::doubleValue(stored("level")), 1.0);
    EXPECT_TRUE(stored("mixed"));
}

TEST_F(FrameworkTest, AnUnreadableFileIsKeptAsideNotOverwritten) {
    std::ofstream(folder / "test.domain.plist") << "not a property list";
    EXPECT_EQ(ps::chooseListItem(page, rows[2], 0).reason(), "");
    EXPECT_TRUE(stored("mixed"));
    std::ifstream aside(folder / "test.domain.plist.unreadable");
    std::string kept((std::istreambuf_iterator<char>(aside)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, "not a property list");
}

TEST_F(FrameworkTest, DomainsCannotLeaveThePreferencesFolder) {
    EXPECT_NE(ps::commitText(page, rows[4], "x").reason(), "");
    EXPECT_FALSE(std::filesystem::exists(folder.parent_path() / "escape.plist"));
    for (const char* bad : {"", ".", "..", "a/b", "../x"}) EXPECT_EQ(ps::domainFile(bad), "") << bad;
    EXPECT_EQ(ps::domainFile("com.tovik.orvelle"), folder.string() + "/com.tovik.orvelle.plist");
}

TEST_F(FrameworkTest, ButtonsWithoutAnAnswerAreRefused) {
    id button = ps::makeSpecifier("Go", PSButtonCell);
    rt::cast<PSSpecifier>(button)->buttonAction = rt::sel_registerName("noSuchAction");
    EXPECT_NE(ps::pressButton(page, button).reason(), "");
}

}  // namespace
