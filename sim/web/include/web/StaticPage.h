// The page's own files: the only files the web simulator serves.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace web {

struct PageFile {
    std::string body;
    std::string contentType;
};

// The file for a request path ("/" is index.html), from `folder` when it is
// given (editing the page without rebuilding), else built into the program.
// Nothing for every other path, and for names outside the page's own files.
std::optional<PageFile> pageFile(std::string_view requestPath, const std::string& folder = {});

}  // namespace web
