// The Settings app's JSON verbs as the web simulator runs them: one process per
// request inside a device with Orvelle and the example tweak installed, the
// answer alone on standard output.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "foundation/PropertyList.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& word) {
    std::string out = "'";
    for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

class PrefsJsonTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "prefs-json-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        chmod(pattern.c_str(), 0711);  // the device's own user passes through
        folder = pattern;
        ProgramRun created = sim("create " + (folder / "device").string());
        ASSERT_EQ(created.status, 0) << created.err;
        ProgramRun installed = sim("install " + (folder / "device").string() + " " + LUMEN_PACKAGE);
        ASSERT_EQ(installed.status, 0) << installed.err;
    }
    static void TearDownTestSuite() { fs::remove_all(folder); }

    static ProgramRun sim(const std::string& args) {
        fs::path errFile = folder / "stderr";
        std::string cmd = std::string(ORVELLE_SIM) + " " + args + " 2>" + errFile.string();
        ProgramRun r;
        FILE* p = popen(cmd.c_str(), "r");
        if (!p) return r;
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
        int status = pclose(p);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream in(errFile);
        r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return r;
    }
    // The Settings app inside the device (stopped: each run is its own sandbox).
    static ProgramRun prefs(std::initializer_list<std::string> words) {
        std::string args = "exec " + (folder / "device").string() + " -- " + PREFERENCES;
        for (const std::string& w : words) args += " " + quoted(w);
        return sim(args);
    }
    // The one line of standard output as JSON; fails the test otherwise.
    static json answer(const ProgramRun& r) {
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
        return json::parse(r.out, nullptr, false);
    }
    static fs::path preferences() { return folder / "device/var/mobile/Library/Preferences"; }
    static const json* cell(const json& page, const std::string& key) {
        for (const json& g : page["groups"])
            for (const json& c : g["cells"])
                if (c.value("key", "") == key) return &c;
        return nullptr;
    }
    static inline fs::path folder;

    // The page a link of `page` labelled `label` leads to, as json takes it.
    static std::string linkTo(const json& page, const std::string& label) {
        for (const json& g : page["groups"])
            for (const json& c : g["cells"])
                if (c["type"] == "link" && c["label"] == label) return c["page"];
        ADD_FAILURE() << "no link \"" << label << "\" in " << page.dump();
        return "-";
    }
    static fs::path library() { return folder / "device/Library"; }
};

// The Settings app opens on its list of panes, as the device lists them: one
// link a pane, by label without regard to case, each opening that pane.
TEST_F(PrefsJsonTest, TheFirstPageListsEveryPaneAndEachOpensItsOwn) {
    json list = answer(prefs({"json"}));
    ASSERT_FALSE(list.is_discarded());
    EXPECT_EQ(list["title"], "Settings");
    ASSERT_EQ(list["groups"].size(), 1u) << list.dump();
    std::vector<std::string> labels;
    for (const json& c : list["groups"][0]["cells"]) {
        EXPECT_EQ(c["type"], "link") << c.dump();
        labels.push_back(c["label"]);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"Lumen", "Orvelle"}));

    json lumen = answer(prefs({"json", linkTo(list, "Lumen")}));
    EXPECT_EQ(lumen["title"], "Lumen");
    EXPECT_TRUE(cell(lumen, "greeting")) << lumen.dump();
    EXPECT_FALSE(cell(lumen, "enableOVS"));
    json orvelle = answer(prefs({"json", linkTo(list, "Orvelle")}));
    EXPECT_EQ(orvelle["title"], "Orvelle");
    EXPECT_TRUE(cell(orvelle, "enableOVS")) << orvelle.dump();
    EXPECT_FALSE(cell(orvelle, "greeting"));

    // The tool lists the same panes, each by a name its show takes.
    ProgramRun shown = sim("prefs " + (folder / "device").string() + " show");
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out, "Tweaks\tLumen\tlink\tLumenPrefs\nTweaks\tOrvelle\tlink\tORVELLEPB\n");
    ProgramRun lumenRows = sim("prefs " + (folder / "device").string() + " show LumenPrefs");
    EXPECT_NE(lumenRows.out.find("\tText\ttext\t"), std::string::npos) << lumenRows.out << lumenRows.err;

    // A change in one pane stays in its own settings.
    json changed = answer(prefs({"json-set", linkTo(list, "Lumen"), "greeting", "Hi"}));
    EXPECT_EQ((*cell(changed, "greeting"))["value"], "Hi");
    EXPECT_TRUE(fs::exists(preferences() / "com.example.lumen.plist"));
    // The list itself has nothing to change.
    ProgramRun refused = prefs({"json-set", "", "greeting", "Hi"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("has no rows to change"), std::string::npos) << refused.err;
}

// A pane whose bundle does not load stays listed and opens on the error, as
// the device shows it; the other panes are unharmed.
TEST_F(PrefsJsonTest, APaneThatFailsToLoadIsListedWithItsError) {
    fs::create_directories(library() / "PreferenceBundles/Broken.bundle");
    std::ofstream(library() / "PreferenceLoader/Preferences/Broken.plist")
        << R"(<plist version="1.0"><dict><key>entry</key><dict><key>bundle</key><string>Broken</string>)"
           R"(<key>label</key><string>broken pane</string><key>cell</key><string>PSLinkCell</string></dict></dict></plist>)";
    json list = answer(prefs({"json"}));
    json broken = answer(prefs({"json", "Broken"}));
    // A FIFO in the place of its binary is an error too, never waited on.
    ASSERT_EQ(mkfifo((library() / "PreferenceBundles/Broken.bundle/Broken").c_str(), 0644), 0);
    json fifo = answer(prefs({"json", "Broken"}));
    fs::remove_all(library() / "PreferenceBundles/Broken.bundle");
    fs::remove(library() / "PreferenceLoader/Preferences/Broken.plist");
    std::vector<std::string> labels;
    for (const json& c : list["groups"][0]["cells"]) labels.push_back(c["label"]);
    EXPECT_EQ(labels, (std::vector<std::string>{"broken pane", "Lumen", "Orvelle"}));
    EXPECT_EQ(linkTo(list, "broken pane"), "Broken");
    EXPECT_EQ(broken["title"], "broken pane");
    EXPECT_NE(broken["groups"][0]["footer"].get<std::string>().find(
                  "There was an error loading the preference bundle for broken pane"),
              std::string::npos)
        << broken.dump();
    EXPECT_NE(fifo["groups"][0]["footer"].get<std::string>().find("it is a FIFO"), std::string::npos) << fifo.dump();
}

TEST_F(PrefsJsonTest, OrvellesPageAndTheLinkToMore) {
    json root = answer(prefs({"json", "Orvelle"}));
    ASSERT_FALSE(root.is_discarded());
    EXPECT_EQ(root["title"], "Orvelle");
    EXPECT_EQ(root["header"], (json{{"title", "Orvelle"}, {"subtitle", "Tovik"}}));
    // The header's group is the header, not a group of rows.
    EXPECT_EQ(root["groups"][0]["header"], "General");
    EXPECT_NE(root["groups"][0]["footer"].get<std::string>().find("respring"), std::string::npos);
    ASSERT_TRUE(cell(root, "enableOVS") && cell(root, "clockStyle") && cell(root, "subTitle"));
    EXPECT_EQ(*cell(root, "enableOVS"),
              json::parse(R"({"type":"switch","label":"Enabled","key":"enableOVS","value":false,"enabled":true})"));
    EXPECT_EQ((*cell(root, "clockStyle"))["value"], json(0));
    EXPECT_EQ((*cell(root, "clockStyle"))["options"],
              json::parse(R"([{"title":"Stacked","value":0},{"title":"Row","value":2}])"));
    EXPECT_EQ((*cell(root, "subTitle"))["placeholder"], "Your text");

    // The page names itself as json takes it back, and so does its link.
    EXPECT_EQ(answer(prefs({"json", root["page"]})), root);
    json page = answer(prefs({"json", linkTo(root, "More Options")}));
    EXPECT_EQ(page["title"], "More Options");
    EXPECT_TRUE(cell(page, "disAutoBW"));
}

TEST_F(PrefsJsonTest, SetStoresTheRowsTypeAndAnswersTheNewValue) {
    json page = answer(prefs({"json-set", "Orvelle", "clockStyle", "Row"}));
    EXPECT_EQ((*cell(page, "clockStyle"))["value"], json(2));
    page = answer(prefs({"json-set", "Orvelle", "hideWea", "true"}));
    EXPECT_EQ((*cell(page, "hideWea"))["value"], json(true));
    page = answer(prefs({"json-set", "MoreController", "setCusText", "Hello \"you\""}));
    EXPECT_EQ((*cell(page, "setCusText"))["value"], "Hello \"you\"");

    auto settings =
        rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile((preferences() / "com.tovik.orvelle.plist").string()));
    ASSERT_TRUE(settings);
    auto style = rt::cast<NSNumber>(settings->objectForKey("clockStyle"));
    auto weather = rt::cast<NSNumber>(settings->objectForKey("hideWea"));
    ASSERT_TRUE(style && weather);
    EXPECT_EQ(style->value, NSNumber::Value{std::int64_t{2}});
    EXPECT_EQ(weather->value, NSNumber::Value{true});
    EXPECT_TRUE(isEqualToString(settings->objectForKey("setCusText"), "Hello \"you\""));
}

TEST_F(PrefsJsonTest, PressListsTheAlertWithItsPictureAndKeepsOutputClean) {
    json page = answer(prefs({"json-press", "OVSPBRootListController", "donateWeChat"}));
    ASSERT_EQ(page["alerts"].size(), 1u) << page["alerts"];
    const json& alert = page["alerts"][0];
    EXPECT_EQ(alert["title"], "QR Code");
    EXPECT_EQ(alert["buttons"], json::array({"Okay!"}));
    EXPECT_EQ(alert.value("image", "").rfind("data:image/png;base64,iVBORw0KGgo", 0), 0u);

    // rm -v of the reset writes to standard output; that goes to standard error here.
    std::ofstream(preferences() / "com.tovik.orvelleClock.plist") << "<plist version=\"1.0\"><dict/></plist>";
    ProgramRun reset = prefs({"json-press", "Orvelle", "resetLayout"});
    EXPECT_EQ(answer(reset)["alerts"], json::array());
    EXPECT_NE(reset.err.find("removed '/var/mobile/Library/Preferences/com.tovik.orvelleClock.plist'"),
              std::string::npos)
        << reset.err;
    EXPECT_FALSE(fs::exists(preferences() / "com.tovik.orvelleClock.plist"));
}

TEST_F(PrefsJsonTest, UnknownPageKeyActionOrValueFailsOnOneLine) {
    struct Case {
        std::initializer_list<std::string> words;
        const char* says;
    };
    for (const Case& c : {Case{{"json", "Nowhere"}, "no page \"Nowhere\""},
                          Case{{"json-set", "Nowhere", "clockStyle", "Row"}, "no page \"Nowhere\""},
                          Case{{"json-set", "MoreController", "clockStyle", "Row"}, "stores the key \"clockStyle\""},
                          Case{{"json-set", "Orvelle", "clockStyle", "Diagonal"}, "no choice \"Diagonal\""},
                          Case{{"json-press", "MoreController", "donateWeChat"}, "no button"}}) {
        ProgramRun r = prefs(c.words);
        EXPECT_EQ(r.status, 1) << c.says;
        EXPECT_EQ(r.out, "") << c.says;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

}  // namespace
