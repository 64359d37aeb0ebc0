// A worker's share of a matrix: shard I of N takes every Nth combination from
// the Ith (counting from 1, as CI matrices and test runners count), so the
// shares are disjoint, cover the whole and differ in size by one at most.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "foundation/Result.h"
#include "matrix/Combinations.h"

namespace matrix {

struct Shard {
    int index = 1;  // 1 to count
    int count = 1;
};

// The most shards a matrix is split into.
inline constexpr int kMostShards = 1000;

// "I/N", 1 <= I <= N <= kMostShards; the reason names what is accepted.
ns::Result<Shard> parseShard(const std::string& text);
std::string shardText(const Shard& shard);

std::vector<Combination> shareOf(const std::vector<Combination>& all, const Shard& shard);

}  // namespace matrix
