#include "matrix/Shard.h"

#include <charconv>

namespace matrix {

namespace {

std::optional<int> number(const std::string& text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

ns::Result<Shard> parseShard(const std::string& text) {
    const std::string accepted = "--shard \"" + text + "\" is not I/N with 1 <= I <= N <= " + std::to_string(kMostShards);
    std::size_t slash = text.find('/');
    if (slash == std::string::npos) return ns::fail(accepted);
    auto index = number(text.substr(0, slash));
    auto count = number(text.substr(slash + 1));
    if (!index || !count || *count < 1 || *count > kMostShards || *index < 1 || *index > *count) return ns::fail(accepted);
    return Shard{*index, *count};
}

std::string shardText(const Shard& shard) { return std::to_string(shard.index) + "/" + std::to_string(shard.count); }

std::vector<Combination> shareOf(const std::vector<Combination>& all, const Shard& shard) {
    std::vector<Combination> share;
    for (std::size_t i = static_cast<std::size_t>(shard.index - 1); i < all.size(); i += static_cast<std::size_t>(shard.count))
        share.push_back(all[i]);
    return share;
}

}  // namespace matrix
