#include "web/StaticPage.h"

#include <fstream>
#include <sstream>

#include "PageData.h"

namespace web {

namespace {

// A script module is run only when served as JavaScript.
std::string_view contentTypeOf(std::string_view name) {
    if (name.ends_with(".html")) return "text/html; charset=utf-8";
    if (name.ends_with(".js")) return "text/javascript; charset=utf-8";
    if (name.ends_with(".css")) return "text/css; charset=utf-8";
    return {};
}

}  // namespace

std::optional<PageFile> pageFile(std::string_view requestPath, const std::string& folder) {
    std::string_view name = requestPath == "/" ? std::string_view("index.html") : requestPath;
    if (name.size() > 1 && name.front() == '/') name.remove_prefix(1);
    // Only the page's own files, by the names built in, are ever served.
    for (std::size_t i = 0; i < detail::kPageFileCount; ++i) {
        const auto& f = detail::kPageFiles[i];
        if (f.name != name) continue;
        std::string_view type = contentTypeOf(name);
        if (type.empty()) return std::nullopt;
        // A folder being edited holds the page's own files; the protocol
        // library and the wire's messages are always the ones built in.
        if (folder.empty() || f.built)
            return PageFile{std::string(reinterpret_cast<const char*>(f.data), f.size), std::string(type)};
        std::ifstream in(folder + "/" + std::string(name), std::ios::binary);
        if (!in) return std::nullopt;
        std::ostringstream body;
        body << in.rdbuf();
        return PageFile{body.str(), std::string(type)};
    }
    return std::nullopt;
}

}  // namespace web
