#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "web/RequestGuard.h"
#include "web/StaticPage.h"

namespace {

TEST(RequestGuard, HostMustNameTheLoopbackAddressAndPortServed) {
    EXPECT_TRUE(web::hostAllowed("127.0.0.1:8080", 8080));
    EXPECT_TRUE(web::hostAllowed("localhost:8080", 8080));
    EXPECT_TRUE(web::hostAllowed("LocalHost:8080", 8080));
    EXPECT_FALSE(web::hostAllowed("127.0.0.1:8081", 8080));
    EXPECT_FALSE(web::hostAllowed("127.0.0.1", 8080));
    EXPECT_FALSE(web::hostAllowed("127.0.0.1:", 8080));
    EXPECT_FALSE(web::hostAllowed("attacker.example:8080", 8080));
    EXPECT_FALSE(web::hostAllowed("localhost.attacker.example:8080", 8080));
    EXPECT_FALSE(web::hostAllowed("127.0.0.1:8080.attacker.example", 8080));
    EXPECT_FALSE(web::hostAllowed("0.0.0.0:8080", 8080));
    EXPECT_FALSE(web::hostAllowed("[::1]:8080", 8080));  // not an address this server binds
    EXPECT_FALSE(web::hostAllowed("", 8080));
    EXPECT_FALSE(web::hostAllowed(":0", 0));
}

TEST(RequestGuard, OriginMayBeAbsentOrThePageItself) {
    EXPECT_TRUE(web::originAllowed("", 8080));
    EXPECT_TRUE(web::originAllowed("http://127.0.0.1:8080", 8080));
    EXPECT_TRUE(web::originAllowed("http://localhost:8080", 8080));
    EXPECT_FALSE(web::originAllowed("null", 8080));
    EXPECT_FALSE(web::originAllowed("https://127.0.0.1:8080", 8080));
    EXPECT_FALSE(web::originAllowed("http://127.0.0.1:8080/", 8080));
    EXPECT_FALSE(web::originAllowed("http://127.0.0.1:9090", 8080));
    EXPECT_FALSE(web::originAllowed("http://attacker.example:8080", 8080));
    EXPECT_FALSE(web::originAllowed("127.0.0.1:8080", 8080));
}

TEST(StaticPage, OnlyThePagesOwnFilesByName) {
    auto index = web::pageFile("/");
    ASSERT_TRUE(index);
    EXPECT_EQ(index->contentType, "text/html; charset=utf-8");
    EXPECT_EQ(web::pageFile("/index.html")->body, index->body);
    EXPECT_TRUE(web::pageFile("/app.js"));
    for (const char* path : {"", "/x", "app.js/", "/../app.js", "/./app.js", "/APP.JS", "/app.js "})
        EXPECT_FALSE(web::pageFile(path)) << path;
}

TEST(StaticPage, AFolderOverridesThePageButExposesNothingElse) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("orvelle-page-" + std::to_string(::getpid()));
    fs::create_directories(dir / "sub");
    std::ofstream(dir / "index.html") << "edited page";
    std::ofstream(dir / "secret.txt") << "secret";
    std::ofstream(dir / "sub" / "app.js") << "nested";
    EXPECT_EQ(web::pageFile("/", dir.string())->body, "edited page");
    EXPECT_FALSE(web::pageFile("/secret.txt", dir.string()));
    EXPECT_FALSE(web::pageFile("/sub/app.js", dir.string()));
    EXPECT_FALSE(web::pageFile("/app.js", dir.string()));  // missing from the folder: not served from elsewhere
    fs::remove_all(dir);
}

}  // namespace
