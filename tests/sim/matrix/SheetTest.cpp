// The contact sheets: every text of the page escaped, and the findings
// outlined on the PNG where they lie.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "graphics/ImageFile.h"
#include "matrix/Output.h"
#include "matrix/Sheets.h"

namespace {

namespace fs = std::filesystem;

matrix::Report hostile() {
    matrix::Report r;
    r.plan.choice = {{"375x812"}, {"11.1.2"}, {"stacked"}, {"en_US"}};
    r.plan.at = "2026-12-07T21:05:02Z";
    r.plan.settings = {"subTitle=<script>alert(1)</script>"};
    matrix::Shot s;
    s.combination = matrix::combinations(r.plan.choice)->front();
    s.findings.push_back({matrix::kEmptyLabel, "a label \"<img src=x onerror=alert(2)>\" & 'more'",
                          {{"<Evil>", "x.dylib"}}, {100, 400, 175, 100}});
    s.error = "";
    r.shots.push_back(s);
    return r;
}

TEST(MatrixSheet, EscapesEveryTextOfThePage) {
    EXPECT_EQ(matrix::htmlEscaped("<a href='x'>\"&\"</a>"), "&lt;a href=&#39;x&#39;&gt;&quot;&amp;&quot;&lt;/a&gt;");
    matrix::Report r = hostile();
    r.shots[0].error = "failed: <script>alert(3)</script>";
    std::string page = matrix::sheetHtml(r);
    for (const char* raw : {"<script>", "<img src=x", "'more'", "<Evil>"}) EXPECT_EQ(page.find(raw), std::string::npos) << raw;
    EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(page.find("&lt;img src=x onerror=alert(2)&gt;"), std::string::npos);
}

TEST(MatrixSheet, OutlinesEachFindingOnThePng) {
    std::string pattern = (fs::temp_directory_path() / "matrix-sheet-XXXXXX").string();
    ASSERT_TRUE(mkdtemp(pattern.data()));
    fs::path folder = pattern;
    matrix::Report r = hostile();
    ASSERT_TRUE(matrix::makeOutputFolders(folder));
    // A grey thumbnail: the finding's outline is the only red on it.
    CGImageRef thumb = cg::makeFlatImage(101, 220, 128, 128, 128, 255);
    ASSERT_TRUE(cg::writePNG(thumb, (folder / r.shots[0].thumb()).string()));
    auto written = matrix::writeSheetPng(r, folder, folder / "sheet.png");
    ASSERT_TRUE(written) << written.reason();
    auto sheet = cg::loadImageFile((folder / "sheet.png").string());
    ASSERT_TRUE(sheet) << sheet.reason();
    // Where the thumbnail lies on the sheet: find its grey, then the red inside it.
    std::size_t left = 0, top = 0, red = 0;
    const CGImage& s = **sheet;
    for (std::size_t y = 0; y < s.height && !left; ++y)
        for (std::size_t x = 0; x < s.width; ++x) {
            const std::uint8_t* p = s.rgba.data() + (y * s.width + x) * 4;
            if (p[0] == 128 && p[1] == 128 && p[2] == 128) {
                left = x, top = y;
                break;
            }
        }
    ASSERT_GT(left, 0u) << "no thumbnail on the sheet";
    const double scale = 220.0 / 812;
    for (std::size_t y = top; y < top + 220; ++y)
        for (std::size_t x = left; x < left + 101; ++x) {
            const std::uint8_t* p = s.rgba.data() + (y * s.width + x) * 4;
            if (p[0] > 180 && p[1] < 60 && p[2] < 90) {
                ++red;
                // Every red pixel is on the outline of (100, 400, 175, 100) points, scaled.
                double px = (x - left) / scale, py = (y - top) / scale;
                EXPECT_TRUE(px > 90 && px < 285 && py > 390 && py < 510) << "red at " << px << ", " << py << " points";
            }
        }
    EXPECT_GT(red, 50u) << "the finding is not outlined";
    fs::remove_all(folder);
}

}  // namespace
