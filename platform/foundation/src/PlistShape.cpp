#include "PlistShape.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace ns::detail {

namespace {

std::string tooDeep(const PlistLimits& limits) {
    return "nested deeper than " + std::to_string(limits.depth) + " levels";
}
std::string tooMany(const PlistLimits& limits) { return "more than " + std::to_string(limits.values) + " values"; }

// XML: the nesting of <array> and <dict>, and the values, in one scan.
std::optional<std::string> xmlShape(std::string_view d, const PlistLimits& limits) {
    int depth = 0;
    std::size_t values = 0;
    auto skipTo = [&](std::size_t from, std::string_view end) {
        auto at = d.find(end, from);
        return at == std::string_view::npos ? d.size() : at + end.size();
    };
    std::size_t i = 0;
    while ((i = d.find('<', i)) != std::string_view::npos) {
        std::string_view rest = d.substr(i);
        if (rest.starts_with("<!--")) {
            i = skipTo(i + 4, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            i = skipTo(i + 9, "]]>");
        } else if (rest.starts_with("<?")) {
            i = skipTo(i + 2, "?>");
        } else if (rest.starts_with("<!")) {
            i = skipTo(i + 2, ">");
        } else if (rest.starts_with("</array") || rest.starts_with("</dict")) {
            --depth;
            i = skipTo(i + 2, ">");
        } else if (rest.starts_with("</")) {
            i = skipTo(i + 2, ">");
        } else {
            std::size_t end = skipTo(i + 1, ">");
            bool empty = end >= 2 && d[end - 2] == '/';
            bool container = rest.starts_with("<array") || rest.starts_with("<dict");
            if (!rest.starts_with("<plist") && ++values > limits.values) return tooMany(limits);
            if (container && !empty && ++depth > limits.depth) return tooDeep(limits);
            i = end;
        }
    }
    return std::nullopt;
}

// Binary: the objects reachable from the top, walked without recursion; a
// container met again while it is still open is a list that holds itself.
// An object referred to many times is built once for each reference, so what
// the parse costs is counted over every reference, each object's cost
// computed once, and checked as it grows.
class BinaryShape {
public:
    BinaryShape(std::string_view d, const PlistLimits& limits) : d_(d), limits_(limits) {}

    std::optional<std::string> check() {
        if (d_.size() < 8 + 32) return std::nullopt;  // the parser refuses it anyway
        std::size_t t = d_.size() - 32;
        offsetSize_ = byte(t + 6);
        refSize_ = byte(t + 7);
        std::uint64_t top = 0;
        if (!be(t + 8, 8, count_) || !be(t + 16, 8, top) || !be(t + 24, 8, table_) || offsetSize_ == 0 ||
            refSize_ == 0 || offsetSize_ > 8 || refSize_ > 8 || table_ >= d_.size())
            return std::nullopt;
        if (count_ > limits_.values || count_ > d_.size()) return tooMany(limits_);
        if (top >= count_) return std::nullopt;
        // 0: not seen, 1: open (on the walk's path), 2: done, its cost known.
        std::vector<std::uint8_t> state(static_cast<std::size_t>(count_), 0);
        std::vector<Cost> cost(static_cast<std::size_t>(count_));
        struct Frame {
            std::uint64_t object, next, end;  // refs still to walk: [next, end) as indexes into the ref list
            std::uint64_t refsAt;
            bool dict;
            Cost cost;  // itself and what it holds so far
        };
        std::vector<Frame> path;
        std::size_t walked = 0;
        Cost whole;
        // Adds what an object costs to its container's cost (or the whole's).
        auto add = [&](const Cost& c) -> std::optional<std::string> {
            Cost& to = path.empty() ? whole : path.back().cost;
            to.values = std::min(to.values + c.values, kSaturated);
            to.bytes = std::min(to.bytes + c.bytes, kSaturated);
            if (to.values > limits_.values) return "more than " + std::to_string(limits_.values) + " values once built";
            if (to.bytes > limits_.builtBytes) return "more than " + std::to_string(limits_.builtBytes) + " bytes once built";
            return std::nullopt;
        };
        auto open = [&](std::uint64_t object, bool isKey) -> std::optional<std::string> {
            if (object >= count_) return std::nullopt;  // the parser refuses the reference
            if (state[object] == 1) return std::string("a container that holds itself");
            if (state[object] == 2) return add(cost[object]);
            if (++walked > limits_.values) return tooMany(limits_);
            std::uint64_t at = 0;
            if (!be(table_ + object * offsetSize_, offsetSize_, at) || at >= d_.size()) return std::nullopt;
            unsigned type = byte(at) >> 4;
            if (isKey && stringHasNul(at)) return std::string("a dictionary key holding a NUL character");
            if (type != 0xA && type != 0xC && type != 0xD) {
                state[object] = 2;
                cost[object] = {1, leafBytes(at)};
                return add(cost[object]);
            }
            std::uint64_t n = 0, first = 0;
            if (!length(at, n, first)) return std::nullopt;
            std::uint64_t refs = type == 0xD ? 2 * n : n;
            if (refs > (d_.size() - std::min<std::uint64_t>(first, d_.size())) / refSize_) return std::nullopt;
            if (static_cast<int>(path.size()) >= limits_.depth) return tooDeep(limits_);
            state[object] = 1;
            path.push_back({object, 0, refs, first, type == 0xD, {1, 16}});
            return std::nullopt;
        };
        if (auto why = open(top, false)) return why;
        while (!path.empty()) {
            Frame& f = path.back();
            if (f.next == f.end) {
                state[f.object] = 2;
                cost[f.object] = f.cost;
                path.pop_back();
                if (auto why = add(cost[f.object])) return why;
                continue;
            }
            std::uint64_t index = f.next++;
            std::uint64_t ref = 0;
            if (!be(f.refsAt + index * refSize_, refSize_, ref)) continue;
            // A dictionary's refs are its keys, then its values.
            bool isKey = f.dict && index < f.end / 2;
            if (auto why = open(ref, isKey)) return why;
        }
        return std::nullopt;
    }

private:
    struct Cost {
        std::uint64_t values = 0, bytes = 0;
    };
    static constexpr std::uint64_t kSaturated = std::uint64_t(1) << 62;

    // The bytes a value other than a container becomes: its text or data
    // (UTF-16 text may take three bytes a unit once converted), else a number's.
    std::uint64_t leafBytes(std::uint64_t at) const {
        unsigned type = byte(at) >> 4;
        if (type != 0x4 && type != 0x5 && type != 0x6) return 16;
        std::uint64_t n = 0, start = 0;
        if (!length(at, n, start)) return 16;
        n = std::min<std::uint64_t>(n, d_.size());
        return 16 + (type == 0x6 ? 3 * n : n);
    }

    unsigned byte(std::uint64_t at) const { return at < d_.size() ? static_cast<unsigned char>(d_[at]) : 0u; }

    bool be(std::uint64_t at, unsigned size, std::uint64_t& out) const {
        if (size > 8 || at > d_.size() || d_.size() - at < size) return false;
        out = 0;
        for (unsigned i = 0; i < size; ++i) out = (out << 8) | byte(at + i);
        return true;
    }

    // Element count of the object at `at` and where its contents start.
    bool length(std::uint64_t at, std::uint64_t& n, std::uint64_t& start) const {
        unsigned low = byte(at) & 0x0F;
        if (low != 0x0F) {
            n = low;
            start = at + 1;
            return true;
        }
        unsigned marker = byte(at + 1);
        if ((marker >> 4) != 0x1) return false;
        unsigned size = 1u << (marker & 0x0F);
        start = at + 2 + size;
        return be(at + 2, size, n);
    }

    // The library aborts on a dictionary key holding a NUL.
    bool stringHasNul(std::uint64_t at) const {
        unsigned type = byte(at) >> 4;
        if (type != 0x5 && type != 0x6) return false;
        std::uint64_t n = 0, start = 0;
        if (!length(at, n, start) || start > d_.size()) return false;
        std::uint64_t unit = type == 0x6 ? 2 : 1;
        if (n > (d_.size() - start) / unit) return false;
        for (std::uint64_t i = 0; i < n; ++i) {
            bool zero = unit == 1 ? byte(start + i) == 0 : (byte(start + 2 * i) | byte(start + 2 * i + 1)) == 0;
            if (zero) return true;
        }
        return false;
    }

    std::string_view d_;
    const PlistLimits& limits_;
    unsigned offsetSize_ = 0, refSize_ = 0;
    std::uint64_t count_ = 0, table_ = 0;
};

}  // namespace

std::optional<std::string> refusedShape(std::string_view data, const PlistLimits& limits) {
    if (data.size() > limits.bytes)
        return std::to_string(data.size()) + " bytes, more than the " + std::to_string(limits.bytes) + " a list may have";
    if (data.starts_with("bplist")) return BinaryShape(data, limits).check();
    return xmlShape(data, limits);
}

}  // namespace ns::detail
