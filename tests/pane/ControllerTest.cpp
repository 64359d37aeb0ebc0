// The pane's two pages: their lists, what each row edits, and the buttons.
#include <map>
#include <set>

#include "PaneTestSupport.h"

namespace {

using ControllerTest = PaneTest;

TEST_F(ControllerTest, EachPageLoadsItsListOnce) {
    for (id page : {rootController(), moreController()}) {
        id first = ps::specifiers(page);
        ASSERT_FALSE(ps::specifierList(page).empty());
        // Even with the bundle gone the page keeps what it loaded.
        ps::setBundlePath(page, folder.string());
        EXPECT_EQ(ps::specifiers(page), first);
        EXPECT_EQ(ps::specifiers(page), rt::cast<PSListController>(page)->_specifiers);
        for (const id& s : ps::specifierList(page)) EXPECT_EQ(rt::send<id()>(s, "target"), page);
    }
    EXPECT_TRUE(log.empty()) << log.front();
}

// Every key of the settings, with its type and what the tweak does while it is absent.
struct KeyInfo {
    const char* type;  // bool, int, string
};
const std::map<std::string, KeyInfo> kKeys = {
    {"enableOVS", {"bool"}}, {"clockStyle", {"int"}}, {"timeFormat", {"int"}},  {"disFlashing", {"bool"}},
    {"enableCDF", {"bool"}}, {"dayFormat", {"string"}}, {"dateFormat", {"string"}}, {"useBlack", {"bool"}},
    {"useBold", {"bool"}},   {"subTitle", {"string"}}, {"hideWea", {"bool"}},     {"hideClo", {"bool"}},
    {"disAutoBW", {"bool"}}, {"moveTop", {"bool"}},    {"hideText", {"bool"}},    {"cusText", {"bool"}},
    {"setCusText", {"string"}}, {"hideToy", {"bool"}}, {"lockLoc", {"bool"}},
};

TEST_F(ControllerTest, EveryKeyHasAFittingControlShowingTheTweaksDefault) {
    std::set<std::string> seen;
    for (id page : {rootController(), moreController()})
        for (const id& s : ps::specifierList(page)) {
            std::string key = ps::key(s);
            if (key.empty()) continue;
            SCOPED_TRACE(key);
            ASSERT_TRUE(kKeys.count(key)) << "not a key of the settings";
            EXPECT_TRUE(seen.insert(key).second) << "offered twice";
            EXPECT_EQ(ps::domain(s), "com.tovik.orvelle");
            std::string type = kKeys.at(key).type;
            id shown = ps::valueForSpecifier(page, s);
            auto spec = rt::cast<PSSpecifier>(s);
            if (type == "bool") {
                EXPECT_EQ(spec->cellType, PSSwitchCell);
                EXPECT_TRUE(isNumber(shown));
                EXPECT_FALSE(ns::boolValue(shown));
            } else if (type == "int") {
                EXPECT_EQ(spec->cellType, PSLinkListCell);
                EXPECT_EQ(ns::intValue(shown), 0);
                ASSERT_EQ(spec->values.size(), 2u);
                EXPECT_EQ(ns::intValue(spec->values[0]), 0);
                EXPECT_EQ(ns::intValue(spec->values[1]), 2) << "2 is the one value that changes anything";
                EXPECT_EQ(spec->titles.size(), spec->values.size());
            } else {
                EXPECT_EQ(spec->cellType, PSEditTextCell);
                EXPECT_FALSE(shown) << "no text until the person types one";
            }
        }
    EXPECT_EQ(seen.size(), kKeys.size());
}

TEST_F(ControllerTest, EveryGroupTellsWhatItsSettingsDo) {
    for (id page : {rootController(), moreController()}) {
        auto rows = ps::specifierList(page);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (ps::cellType(rows[i]) != PSGroupCell) continue;
            bool holdsSettings = false;
            for (std::size_t j = i + 1; j < rows.size() && ps::cellType(rows[j]) != PSGroupCell; ++j)
                holdsSettings = holdsSettings || !ps::key(rows[j]).empty() || ps::cellType(rows[j]) == PSButtonCell;
            if (holdsSettings) {
                EXPECT_GT(str(ps::property(rows[i], "footerText")).size(), 20u) << ps::name(rows[i]);
            }
        }
    }
}

TEST_F(ControllerTest, ButtonsNameActionsTheirPageAnswers) {
    auto actions = [](const id& page) {
        std::vector<std::string> out;
        for (const id& s : ps::specifierList(page)) {
            if (ps::cellType(s) != PSButtonCell) continue;
            auto spec = rt::cast<PSSpecifier>(s);
            EXPECT_TRUE(rt::respondsToSelector(page, spec->buttonAction)) << spec->buttonAction->name;
            out.push_back(spec->buttonAction->name);
        }
        return out;
    };
    EXPECT_EQ(actions(rootController()),
              (std::vector<std::string>{"resetLayout", "respringDevice", "donatePayPal", "donateWeChat"}));
    EXPECT_EQ(actions(moreController()), (std::vector<std::string>{"respringDevice"}));
}

TEST_F(ControllerTest, TheMorePageIsReachedFromTheFirst) {
    id root = rootController();
    id more;
    for (const id& s : ps::specifierList(root))
        if (ps::cellType(s) == PSLinkCell) more = ps::openLink(root, s);
    ASSERT_TRUE(rt::isKindOfClass(more, "MoreController"));
    EXPECT_TRUE(rowWithKey(more, "disAutoBW"));
}

TEST_F(ControllerTest, RowsStoreTheirValueWithItsType) {
    id root = rootController();
    EXPECT_EQ(ps::chooseListItem(root, rowWithKey(root, "clockStyle"), 1).reason(), "");
    EXPECT_EQ(ps::commitText(root, rowWithKey(root, "subTitle"), "Hello").reason(), "");
    EXPECT_EQ(ps::setSwitch(root, rowWithKey(root, "enableOVS"), true).reason(), "");
    auto style = rt::cast<NSNumber>(setting("clockStyle"));
    ASSERT_TRUE(style);
    EXPECT_EQ(style->value, NSNumber::Value{std::int64_t{2}});
    EXPECT_TRUE(isEqualToString(setting("subTitle"), "Hello"));
    EXPECT_EQ(rt::cast<NSNumber>(setting("enableOVS"))->value, NSNumber::Value{true});
    EXPECT_EQ(rt::cast<NSDictionary>(settings())->entries.size(), 3u) << "untouched rows store nothing";
}

TEST_F(ControllerTest, DonatingOnTheWebOpensTheProjectsAddress) {
    std::size_t before = ui::openedURLs().size();
    rt::send<void()>(rootController(), "donatePayPal");
    ASSERT_EQ(ui::openedURLs().size(), before + 1);
    EXPECT_EQ(ui::openedURLs().back(), "https://donate.example.org/orvelle");
}

TEST_F(ControllerTest, DonatingByQRCodeShowsTheAlertEvenWithoutThePicture) {
    std::size_t before = ui::shownAlerts().size();
    rt::send<void()>(rootController(), "donateWeChat");
    ASSERT_EQ(ui::shownAlerts().size(), before + 1);
    auto alert = rt::cast<UIAlertView>(ui::shownAlerts().back());
    EXPECT_EQ(alert->title, "QR Code");
    EXPECT_EQ(alert->message, "Thanks for donation");
    EXPECT_EQ(alert->buttons, (std::vector<std::string>{"Okay!"}));
    EXPECT_TRUE(alert->delegate.expired());
    id holder = rt::valueForKey(alert->self(), "accessoryView");
    EXPECT_EQ(ui::frame(holder), CGRectMake(0, 0, 150, 150));
    ASSERT_EQ(ui::subviews(holder).size(), 1u);
    id picture = ui::subviews(holder)[0];
    EXPECT_TRUE(rt::isKindOfClass(picture, "UIImageView"));
    EXPECT_EQ(ui::frame(picture), CGRectMake(80, 0, 100, 100));
    // This machine has no /Library/Application Support/OVS: the view stays empty.
    EXPECT_FALSE(ui::image(picture));
}

}  // namespace
