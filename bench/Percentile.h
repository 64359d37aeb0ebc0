// Where a measurement lies among many: the benchmarks' one percentile.
#pragma once

#include <algorithm>
#include <vector>

namespace bench {

// The value at fraction `p` (0.5 the median, 1 the largest) of `values`; 0 for none.
inline double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * static_cast<double>(values.size())))];
}

}  // namespace bench
