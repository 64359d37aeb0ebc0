// Writing a picture: a failure says which file and why, and leaves nothing.
#include <gtest/gtest.h>

#include <filesystem>

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
