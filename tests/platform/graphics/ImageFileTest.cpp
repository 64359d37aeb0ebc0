// Reading and writing a picture: a failure says which file and why, and a
// failed write leaves nothing.
#include <gtest/gtest.h>

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
    EXPECT_EQ(missing.reason(), text + ": cannot open the file");
}
