// Images from PNG and JPEG files, image views.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <jpeglib.h>

#include "graphics/ImageFile.h"
#include "uikit/UIKit.h"

namespace {

using namespace ui;
namespace fs = std::filesystem;

class Images : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("uikit-images-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

void writeJpeg(const fs::path& path, int w, int h, unsigned char r, unsigned char g, unsigned char b) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    jpeg_compress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, f);
    info.image_width = static_cast<JDIMENSION>(w);
    info.image_height = static_cast<JDIMENSION>(h);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(w) * 3);
    for (std::size_t i = 0; i < row.size(); i += 3) row[i] = r, row[i + 1] = g, row[i + 2] = b;
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(f);
}

TEST_F(Images, APngLoadsWithItsPixelsAndItsScale) {
    // Half-transparent red, stored premultiplied.
    auto pixels = cg::makeFlatImage(4, 2, 255, 0, 0, 128);
    fs::path file = dir / "dot@2x.png";
    ASSERT_EQ(cg::writePNG(pixels, file).reason(), "");
    id img = imageNamed(NSStr(file.string()));  // an absolute path loads that file
    ASSERT_TRUE(img);
    EXPECT_EQ(size(img), CGSizeMake(2, 1));
    EXPECT_EQ(rt::send<double()>(img, "scale"), 2);
    CGImageRef cg = ui::CGImage(img);
    ASSERT_TRUE(cg);
    EXPECT_EQ(cg->width, 4u);
    EXPECT_EQ(std::vector<std::uint8_t>(cg->rgba.begin(), cg->rgba.begin() + 4),
              (std::vector<std::uint8_t>{128, 0, 0, 128}));
}

TEST_F(Images, AJpegLoadsOpaque) {
    fs::path file = dir / "QRCode.JPG";
    writeJpeg(file, 8, 8, 0, 0, 255);
    id img = imageWithContentsOfFile(NSStr(file.string()));
    ASSERT_TRUE(img);
    CGImageRef cg = ui::CGImage(img);
    ASSERT_TRUE(cg);
    EXPECT_EQ(cg->height, 8u);
    EXPECT_NEAR(cg->rgba[2], 255, 2);
    EXPECT_NEAR(cg->rgba[0], 0, 2);
    EXPECT_EQ(cg->rgba[3], 255);
}

TEST_F(Images, MissingOrBrokenFilesGiveNothing) {
    EXPECT_FALSE(imageNamed(NSStr((dir / "absent.png").string())));
    std::ofstream(dir / "broken.png") << "\x89PNG\r\n\x1a\nnot really";
    EXPECT_FALSE(imageWithContentsOfFile(NSStr((dir / "broken.png").string())));
    std::ofstream(dir / "text.jpg") << "hello";
    EXPECT_FALSE(imageWithContentsOfFile(NSStr((dir / "text.jpg").string())));
    EXPECT_FALSE(imageNamed(NSStr("")));
}

TEST_F(Images, BareNamesAreSearchedInTheImageFolders) {
    ASSERT_EQ(cg::writePNG(cg::makeFlatImage(3, 3, 0, 255, 0, 255), dir / "sun.png").reason(), "");
    setImageSearchPaths({(dir / "nowhere").string(), dir.string()});
    id img = imageNamed(NSStr("sun"));
    ASSERT_TRUE(img);
    EXPECT_EQ(size(img), CGSizeMake(3, 3));
    setImageSearchPaths({});
}

TEST_F(Images, AnImageViewMadeWithAnImageTakesItsSize) {
    id img = makeImage(cg::makeFlatImage(60, 40, 1, 2, 3, 255), 2);
    id v = rt::send<id(id)>(rt::alloc(rt::objc_getClass("UIImageView")), "initWithImage:", img);
    EXPECT_EQ(frame(v), CGRectMake(0, 0, 30, 20));
    EXPECT_EQ(image(v), img);
    setImage(v, id{});
    EXPECT_FALSE(image(v));
}

}  // namespace
