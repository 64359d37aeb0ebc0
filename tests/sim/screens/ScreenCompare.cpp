#include "ScreenCompare.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "graphics/ImageFile.h"
#include "matrix/PixelDiff.h"

Comparison comparePNGs(const std::string& actualFile, const std::string& referenceFile, int tolerance,
                       const std::string& diffFile) {
    auto actual = cg::loadImageFile(actualFile);
    auto reference = cg::loadImageFile(referenceFile);
    if (!actual) return {"cannot read " + actualFile + ": " + actual.reason()};
    if (!reference) return {"cannot read the reference " + referenceFile + ": " + reference.reason()};
    matrix::PixelDifference difference = matrix::comparePixels(**actual, **reference, tolerance);
    if (!difference.error.empty()) return {difference.error};
    if (difference.picture && !diffFile.empty()) (void)cg::writePNG(difference.picture, diffFile);
    return {"", difference.pixels, difference.different};
}

bool updateReference(const std::filesystem::path& shot, const std::filesystem::path& reference) {
    if (!std::getenv("ORVELLE_UPDATE_REFERENCES")) return false;
    std::filesystem::create_directories(reference.parent_path());
    std::filesystem::copy_file(shot, reference, std::filesystem::copy_options::overwrite_existing);
    return true;
}

void expectLikeReference(const std::filesystem::path& shot, const std::filesystem::path& reference,
                         const std::filesystem::path& diff) {
    Comparison result = comparePNGs(shot.string(), reference.string(), kScreenTolerance, diff.string());
    ASSERT_TRUE(result.error.empty()) << result.error;
    EXPECT_LE(result.different * 1000000, result.pixels * kMostDifferentPerMillion)
        << result.different << " of " << result.pixels << " pixels differ from " << reference << "; the screenshot is "
        << shot << ", the differences in red " << diff
        << " (if the change is meant, run scripts/update-reference-screens)";
}
