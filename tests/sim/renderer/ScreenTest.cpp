// The system's parts of the screen: wallpapers, the status bar, alerts, fonts
// and the frame's files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "Pixels.h"
#include "graphics/ImageFile.h"
#include "renderer/FontMap.h"

namespace {

using namespace rendertest;
namespace fs = std::filesystem;

double lightness(const std::uint8_t* rgba) { return (0.299 * rgba[0] + 0.587 * rgba[1] + 0.114 * rgba[2]) / 255; }

TEST(Wallpaper, DarkIsDarkAndLightIsLightEverywhere) {
    for (auto [wallpaper, dark] : {std::pair{render::Wallpaper::dark(), true}, {render::Wallpaper::light(), false}}) {
        CGImageRef image = render::wallpaperImage(wallpaper, 75, 133);
        ASSERT_TRUE(image);
        ASSERT_EQ(image->width, 75u);
        ASSERT_EQ(image->height, 133u);
        double lo = 1, hi = 0;
        for (std::size_t i = 0; i < image->rgba.size(); i += 4) {
            EXPECT_EQ(image->rgba[i + 3], 255);
            lo = std::min(lo, lightness(&image->rgba[i]));
            hi = std::max(hi, lightness(&image->rgba[i]));
        }
        if (dark)
            EXPECT_LT(hi, 0.45) << "white text must read on every part of the dark wallpaper";
        else
            EXPECT_GT(lo, 0.65) << "black text must read on every part of the light wallpaper";
        EXPECT_GT(hi - lo, 0.03) << "a wallpaper, not a flat fill";
    }
}

TEST(Wallpaper, NamesReadBack) {
    for (const char* name : {"dark", "light", "/var/mobile/Library/wall.png"}) {
        auto w = render::parseWallpaper(name);
        ASSERT_TRUE(w) << name;
        EXPECT_EQ(render::wallpaperName(*w), name);
    }
    EXPECT_FALSE(render::parseWallpaper("Dark"));
    EXPECT_FALSE(render::parseWallpaper("wall.png"));
    EXPECT_FALSE(render::parseWallpaper(""));
}

TEST(Wallpaper, APictureOfTheDevicesOwnFillsTheScreen) {
    fs::path dir = fs::temp_directory_path() / ("orvelle-wall-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string path = (dir / "green.png").string();
    ASSERT_EQ(cg::writePNG(cg::makeFlatImage(30, 60, 0, 200, 0, 255), path).reason(), "");

    render::Frame f = renderRoot(screenRoot(), 1, std::nullopt, render::Wallpaper::picture(path));
    EXPECT_EQ(f.pixel(0, 0), (render::Pixel{0, 200, 0, 255}));
    EXPECT_EQ(f.pixel(374, 666), (render::Pixel{0, 200, 0, 255}));

    // An unreadable picture: the dark wallpaper, and one line saying why.
    std::string missing = (dir / "missing.png").string();
    testing::internal::CaptureStderr();
    render::Frame fallback = renderRoot(screenRoot(), 1, std::nullopt, render::Wallpaper::picture(missing));
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find(missing), std::string::npos) << said;
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);
    render::Frame dark = renderRoot(screenRoot(), 1);
    EXPECT_EQ(fallback.pixel(100, 300), dark.pixel(100, 300));
    fs::remove_all(dir);
}

TEST(StatusBar, DrawsInTheTopBandInTheWallpapersContrast) {
    auto render = [](render::Wallpaper w, bool visible) {
        render::RenderOptions o;
        o.width = 375;
        o.height = 667;
        o.scale = 2;
        o.wallpaper = w;
        o.statusBar.visible = visible;
        o.statusBar.time = "21:05";
        o.statusBar.batteryLevel = 0.5;
        o.roots = {screenRoot()};
        o.now = 1'000'000;
        return render::renderScreen(o);
    };
    const CGRect band = CGRectMake(0, 0, 375, 20);
    render::Frame onDark = render(render::Wallpaper::dark(), true);
    EXPECT_GT(count(onDark, band, isWhite), 300);
    EXPECT_EQ(count(onDark, band, isWhite, true), 0);
    EXPECT_EQ(count(render(render::Wallpaper::dark(), false), band, isWhite), 0);
    render::Frame onLight = render(render::Wallpaper::light(), true);
    EXPECT_GT(count(onLight, band, isDark), 300);
    EXPECT_EQ(count(onLight, band, isDark, true), 0);
    // The time sits in the middle of the bar.
    auto ink = inkBox(onDark, [](const render::Pixel& p) { return isWhite(p); });
    ASSERT_TRUE(ink);
    EXPECT_LT(ink->maxY, 40);
}

TEST(Alerts, TheNewestAlertIsACardOverTheDimmedScreen) {
    auto render = [] {
        render::RenderOptions o;
        o.width = 375;
        o.height = 667;
        o.scale = 1;
        o.statusBar.visible = false;
        o.roots = {screenRoot()};
        o.now = 1'000'000;
        return render::renderScreen(o);
    };
    render::Frame before = render();
    id alert = ui::makeAlert("Respring?", "The home screen restarts to apply the master switch.", id{}, "Cancel",
                             NSStr("Respring"));
    ui::show(alert);
    render::Frame with = render();
    ui::tapAlertButton(alert, 0);
    render::Frame after = render();

    // The card: light, centred, about 270 points wide.
    auto light = [](const render::Pixel& p) { return p.r > 200 && p.g > 200 && p.b > 200; };
    auto card = inkBox(with, light);
    ASSERT_TRUE(card);
    EXPECT_NEAR(card->width(), 270, 2);
    EXPECT_NEAR((card->minX + card->maxX) / 2.0, 187, 2);
    EXPECT_NEAR((card->minY + card->maxY) / 2.0, 333, 2);
    // Its text (title, message, buttons) draws inside it.
    EXPECT_GT(count(with, CGRectMake(card->minX, card->minY, card->width(), card->height()),
                    [](const render::Pixel& p) { return p.r < 60 && p.g < 60 && p.b < 60; }),
              100);
    EXPECT_GT(count(with, CGRectMake(card->minX, card->minY, card->width(), card->height()),
                    [](const render::Pixel& p) { return p.b > 180 && p.r < 80; }),
              50);  // the tinted buttons
    // Outside it the screen is dimmed; once dismissed it is as before.
    EXPECT_LT(with.pixel(10, 600).b, before.pixel(10, 600).b);
    EXPECT_EQ(after.pixel(10, 600), before.pixel(10, 600));
    EXPECT_EQ(after.pixel(187, 333), before.pixel(187, 333));
}

TEST(FontMap, DeviceNamesMapToTheSameWeight) {
    struct Case {
        const char* name;
        int weight;
    };
    for (const Case& c : std::vector<Case>{{"PingFangSC-Thin", 100},
                                           {"PingFangSC-Light", 300},
                                           {"PingFangSC-Regular", 400},
                                           {"PingFangSC-Medium", 500},
                                           {"PingFangSC-Semibold", 600},
                                           {"HelveticaNeue-UltraLight", 200},
                                           {"HelveticaNeue-Thin", 100},
                                           {"HelveticaNeue-Light", 300},
                                           {"HelveticaNeue", 400},
                                           {".SFUIText-Semibold", 600},
                                           {"Unknown-Thin", 400},
                                           {"PingFangSC-Wobbly", 400},
                                           {"", 400}}) {
        render::FontFace f = render::faceForFontName(c.name);
        EXPECT_EQ(f.weight, c.weight) << c.name;
        EXPECT_EQ(f.family, "Inter") << c.name;
    }
    EXPECT_TRUE(render::faceForFontName("HelveticaNeue-LightItalic").italic);
    EXPECT_FALSE(render::faceForFontName("HelveticaNeue-Light").italic);
}

TEST(FontMap, EveryWeightIsReallyInstalled) {
    // fontconfig quietly substitutes a missing weight; the files show it did not.
    struct Case {
        const char* name;
        const char* file;
    };
    for (const Case& c : std::vector<Case>{{"PingFangSC-Thin", "Inter-Thin."},
                                           {"HelveticaNeue-UltraLight", "Inter-ExtraLight."},
                                           {"PingFangSC-Light", "Inter-Light."},
                                           {"PingFangSC-Regular", "Inter-Regular."},
                                           {"PingFangSC-Medium", "Inter-Medium."},
                                           {"PingFangSC-Semibold", "Inter-SemiBold."}}) {
        std::string file = render::fontFileFor(render::faceForFontName(c.name));
        EXPECT_NE(file.find(c.file), std::string::npos) << c.name << " -> " << file;
    }
}

TEST(FrameFile, PNGsAreWrittenWholeOrNotAtAll) {
    render::Frame f = renderRoot(screenRoot(), 1);
    std::string png = f.encodePNG();
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));

    fs::path dir = fs::temp_directory_path() / ("orvelle-frame-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string path = (dir / "shot.png").string();
    std::ofstream(path) << "older screenshot";
    EXPECT_EQ(f.writePNG(path).reason(), "");
    ns::Result<CGImageRef> back = cg::loadImageFile(path);
    ASSERT_TRUE(back) << back.reason();
    EXPECT_EQ((*back)->width, 375u);
    EXPECT_EQ(fs::file_size(path), png.size());

    std::string nowhere = (dir / "no-such-folder" / "shot.png").string();
    std::string why = f.writePNG(nowhere).reason();
    EXPECT_NE(why.find("no-such-folder"), std::string::npos) << why;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1);  // no leftovers
    EXPECT_NE(render::Frame().writePNG(path).reason(), "");
    EXPECT_EQ(fs::file_size(path), png.size());  // a failed write leaves the old file
    fs::remove_all(dir);
}

TEST(FrameFile, PixelsReadBackAsStraightColour) {
    id root = screenRoot();
    id v = ui::makeView(CGRectMake(0, 0, 10, 10));
    ui::setBackgroundColor(v, ui::colorWithRed_green_blue_alpha(1, 0, 0, 1));
    ui::addSubview(root, v);
    render::Frame f = renderRoot(root, 1);
    EXPECT_EQ(f.pixel(5, 5), (render::Pixel{255, 0, 0, 255}));
    EXPECT_EQ(f.pixel(-1, 5), render::Pixel{});
    EXPECT_EQ(f.pixel(375, 5), render::Pixel{});
    CGImageRef image = f.toImage();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->rgba[0], 255);
    EXPECT_EQ(image->rgba[1], 0);
    EXPECT_EQ(image->rgba[3], 255);
}

}  // namespace
