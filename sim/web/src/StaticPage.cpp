#include "web/StaticPage.h"

#include <array>
#include <fstream>
#include <sstream>

#include "PageData.h"

namespace web {

namespace {
struct Known {
    std::string_view name;
    std::string_view contentType;
};
// The page's files, by name. Only these are ever served.
constexpr std::array<Known, 4> kFiles = {{
    {"index.html", "text/html; charset=utf-8"},
    {"app.js", "text/javascript; charset=utf-8"},
    {"tweaks.js", "text/javascript; charset=utf-8"},
    {"style.css", "text/css; charset=utf-8"},
}};
}  // namespace

std::optional<PageFile> pageFile(std::string_view requestPath, const std::string& folder) {
    std::string_view name = requestPath == "/" ? std::string_view("index.html") : requestPath;
    if (name.size() > 1 && name.front() == '/') name.remove_prefix(1);
    for (const Known& k : kFiles) {
        if (k.name != name) continue;
        if (!folder.empty()) {
            std::ifstream in(folder + "/" + std::string(k.name), std::ios::binary);
            if (!in) return std::nullopt;
            std::ostringstream body;
            body << in.rdbuf();
            return PageFile{body.str(), std::string(k.contentType)};
        }
        for (std::size_t i = 0; i < detail::kPageFileCount; ++i) {
            const auto& f = detail::kPageFiles[i];
            if (k.name == f.name)
                return PageFile{std::string(reinterpret_cast<const char*>(f.data), f.size), std::string(k.contentType)};
        }
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace web
