// The Settings pages as JSON, in-process: rows the pane does not use, alerts
// with their picture, and the data: URL encoding.
#include <fstream>

#include "ImageData.h"
#include "PageJson.h"
#include "PaneTestSupport.h"
#include "graphics/ImageFile.h"

namespace {

using nlohmann::json;

using PageJsonTest = PaneTest;

TEST_F(PageJsonTest, FrameworkRowsOutsideThePane) {
    std::ofstream(folder / "Odd.plist") << R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>items</key><array>
<dict><key>cell</key><string>PSSwitchCell</string><key>label</key><string>Neg</string><key>key</key><string>neg</string>
 <key>defaults</key><string>test.domain</string><key>default</key><true/><key>negate</key><true/>
 <key>enabled</key><false/></dict>
<dict><key>cell</key><string>PSGroupCell</string></dict>
<dict><key>cell</key><string>PSSliderCell</string><key>key</key><string>level</string><key>defaults</key><string>test.domain</string>
 <key>min</key><real>0.5</real><key>max</key><integer>3</integer><key>default</key><real>1.5</real></dict>
</array></dict></plist>)";
    id page = rt::allocInit("PSListController");
    ps::setBundlePath(page, folder.string());
    rt::cast<PSListController>(page)->_specifiers =
        rt::send<id(id, id)>(page, "loadSpecifiersFromPlistName:target:", NSStr("Odd"), page);
    json out = prefs::pageJson({"Odd", page});
    EXPECT_EQ(out["header"], nullptr);
    ASSERT_EQ(out["groups"].size(), 2u) << out.dump();
    // A row before any group cell gets a group of its own; a negated switch shows the opposite of its value.
    EXPECT_EQ(out["groups"][0], json::parse(R"({"header":null,"footer":null,"cells":[
        {"type":"switch","label":"Neg","key":"neg","value":false,"enabled":false}]})"));
    EXPECT_EQ(out["groups"][1]["cells"][0],
              json::parse(R"({"type":"slider","label":"","key":"level","value":1.5,"min":0.5,"max":3,"enabled":true})"));
}

TEST_F(PageJsonTest, AnAlertCarriesThePictureOfItsAccessoryView) {
    id alert = ui::makeAlert("QR", "Scan", {}, "Okay!");
    id holder = ui::makeView(CGRectMake(0, 0, 10, 10));
    id picture = ui::makeImageView(CGRectMake(0, 0, 2, 1));
    ui::setImage(picture, ui::makeImage(cg::makeImage(2, 1, {128, 0, 0, 128, 0, 0, 255, 255})));
    ui::addSubview(holder, picture);
    rt::setValueForKey(alert, holder, "accessoryView");
    json a = prefs::alertJson(alert);
    EXPECT_EQ(a["title"], "QR");
    EXPECT_EQ(a["message"], "Scan");
    EXPECT_EQ(a["buttons"], json::array({"Okay!"}));
    std::string url = a.value("image", "");
    ASSERT_EQ(url.rfind("data:image/png;base64,", 0), 0u) << url;
    // The same pixels written by the graphics layer's PNG writer, byte for byte.
    std::string path = (folder / "picture.png").string();
    ASSERT_EQ(cg::writePNG(ui::CGImage(ui::image(picture)), path).reason(), "");
    std::ifstream file(path, std::ios::binary);
    std::string png((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(a.value("image", ""), "data:image/png;base64," + prefs::base64(png));

    id plain = ui::makeAlert("Plain", "", {}, "OK");
    EXPECT_FALSE(prefs::alertJson(plain).contains("image"));
}

TEST_F(PageJsonTest, Base64PadsAsTheStandardSays) {
    EXPECT_EQ(prefs::base64(""), "");
    EXPECT_EQ(prefs::base64("f"), "Zg==");
    EXPECT_EQ(prefs::base64("fo"), "Zm8=");
    EXPECT_EQ(prefs::base64("foo"), "Zm9v");
    EXPECT_EQ(prefs::base64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(prefs::base64(std::string("\xff\xfe\x00", 3)), "//4A");
    EXPECT_EQ(prefs::pngDataURL(nullptr), "");
}

}  // namespace
