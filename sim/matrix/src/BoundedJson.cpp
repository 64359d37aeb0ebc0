#include "matrix/BoundedJson.h"

namespace matrix {

ns::Result<nlohmann::ordered_json> boundedJson(const std::string& text, std::size_t largest, int deepest,
                                               const std::string& what) {
    if (text.size() > largest)
        return ns::fail(what + " is larger than " + std::to_string(largest / (1024 * 1024)) + " MiB");
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
            continue;
        }
        if (c == '"') inString = true;
        else if (c == '[' || c == '{') {
            if (++depth > deepest) return ns::fail(what + " nests deeper than " + std::to_string(deepest));
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    auto value = nlohmann::ordered_json::parse(text, nullptr, false);
    if (value.is_discarded()) return ns::fail(what + " is not JSON");
    return value;
}

}  // namespace matrix
