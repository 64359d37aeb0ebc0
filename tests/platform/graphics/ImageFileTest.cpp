// Reading and writing a picture: a failure says which file and why, and a
// failed write leaves nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "graphics/ImageFile.h"

TEST(ImageFile, AFailedWriteNamesTheFileAndWhy) {
    const std::string nowhere = "/nonexistent-orvelle-folder/shot.png";
    CGImageRef image = cg::makeFlatImage(2, 2, 0, 0, 0, 255);
    ns::Result<> written = cg::writePNG(image, nowhere);
    ASSERT_FALSE(written);
    EXPECT_NE(written.reason().find(nowhere), std::string::npos) << written.reason();
    EXPECT_FALSE(std::filesystem::exists(nowhere));

    ns::Result<> nothing = cg::writePNG(CGImageRef{}, "/tmp/never.png");
    ASSERT_FALSE(nothing);
    EXPECT_NE(nothing.reason().find("no image"), std::string::npos) << nothing.reason();
}

TEST(ImageFile, AFileThatIsNoPictureOrIsMissingIsNamedWithTheReason) {
    const std::string text =
        (std::filesystem::temp_directory_path() / ("orvelle-not-a-picture-" + std::to_string(::getpid()) + ".png"))
            .string();
    std::ofstream(text) << "plain words";
    ns::Result<CGImageRef> words = cg::loadImageFile(text);
    ASSERT_FALSE(words);
    EXPECT_EQ(words.reason(), text + ": neither PNG nor JPEG");
    std::filesystem::remove(text);

    ns::Result<CGImageRef> missing = cg::loadImageFile(text);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.reason(), "cannot read " + text + ": No such file or directory");

    // A FIFO in a picture's place is refused at once, never waited on.
    ASSERT_EQ(mkfifo(text.c_str(), 0600), 0);
    ns::Result<CGImageRef> fifo = cg::loadImageFile(text);
    ASSERT_FALSE(fifo);
    EXPECT_EQ(fifo.reason(), "cannot read " + text + ": it is a FIFO");
    std::filesystem::remove(text);
}

// A picture's size is bounded by its header, before a pixel is made: a file
// of a few bytes that claims a giant picture is refused at once.
TEST(ImageFile, APictureIsDecodedWithinItsBoundsAndAMalformedOneIsRefusedWithWhy) {
    const auto file = std::filesystem::temp_directory_path() / ("orvelle-small-" + std::to_string(::getpid()) + ".png");
    ASSERT_TRUE(cg::writePNG(cg::makeFlatImage(5, 3, 10, 20, 30, 255), file.string()));
    std::ifstream in(file, std::ios::binary);
    std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(file);
    auto small = cg::decodeImage(png);
    ASSERT_TRUE(small) << small.reason();
    EXPECT_EQ(CGImageGetWidth(*small), 5u);
    EXPECT_EQ(CGImageGetHeight(*small), 3u);

    std::string giant = png;
    for (std::size_t at : {16u, 20u}) giant.replace(at, 4, std::string("\x00\x00\xea\x60", 4));  // 60000 a side
    auto refused = cg::decodeImage(giant);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.reason().find("60000 x 60000 pixels is more than the 40 million"), std::string::npos)
        << refused.reason();

    auto cut = cg::decodeImage(png.substr(0, png.size() / 2));
    ASSERT_FALSE(cut);
    EXPECT_NE(cut.reason().find("not a readable PNG"), std::string::npos) << cut.reason();
    auto words = cg::decodeImage("GIF89a and more");
    ASSERT_FALSE(words);
    EXPECT_EQ(words.reason(), "neither PNG nor JPEG");
}
