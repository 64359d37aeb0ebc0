// The QR-code picture holds the donation address: its modules, read back from
// the JPEG, are those of a fresh encoding of the address.
#include <gtest/gtest.h>
#include <qrencode.h>

#include <memory>

#include "PaneClasses.h"
#include "graphics/ImageFile.h"

namespace {

TEST(QRCode, PictureIsTheDonationAddress) {
    ns::Result<CGImageRef> loaded = cg::loadImageFile(std::string(ORVELLEPB_BUNDLE_DIR) + "/QRCode.JPG");
    ASSERT_TRUE(loaded) << loaded.reason();
    std::unique_ptr<QRcode, void (*)(QRcode*)> code(
        QRcode_encodeString(orvellepb::kDonationAddress, 0, QR_ECLEVEL_M, QR_MODE_8, 1), QRcode_free);
    ASSERT_TRUE(code);
    const int quiet = 4;
    const std::size_t modules = static_cast<std::size_t>(code->width + 2 * quiet);
    const CGImage& img = **loaded;
    ASSERT_EQ(img.width, img.height);
    ASSERT_EQ(img.width % modules, 0u);
    const std::size_t px = img.width / modules;
    int wrong = 0;
    for (std::size_t y = 0; y < modules; ++y)
        for (std::size_t x = 0; x < modules; ++x) {
            std::size_t cx = x * px + px / 2, cy = y * px + px / 2;
            bool dark = img.rgba[4 * (cy * img.width + cx)] < 128;
            bool inCode = x >= quiet && y >= quiet && x < modules - quiet && y < modules - quiet;
            bool expected = inCode && (code->data[(y - quiet) * code->width + (x - quiet)] & 1);
            wrong += dark != expected;
        }
    EXPECT_EQ(wrong, 0);
}

}  // namespace
