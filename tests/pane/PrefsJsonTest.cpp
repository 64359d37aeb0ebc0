// The Settings app's JSON verbs as the web simulator runs them: one process per
// request inside a device, the answer alone on standard output.
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
};

TEST_F(PrefsJsonTest, RootPageAndTheLinkToMore) {
    json root = answer(prefs({"json"}));
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

    // The root names itself as json takes it back, and so does its link.
    EXPECT_EQ(answer(prefs({"json", root["page"]})), root);
    std::string more;
    for (const json& g : root["groups"])
        for (const json& c : g["cells"])
            if (c["type"] == "link") more = c["page"];
    json page = answer(prefs({"json", more}));
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
