#include "foundation/PropertyList.h"

#include "foundation/FileReplace.h"
#include "foundation/Log.h"
#include "PlistShape.h"

#include <fcntl.h>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <unordered_map>


namespace ns {

namespace {

// Dates in property lists count from 2001-01-01; NSDate counts from 1970.
constexpr double kReferenceDateSince1970 = 978307200.0;
// Deeper nesting than any settings file has; the shape check refuses deeper
// lists before the recursion below sees them.
constexpr int kMaxDepth = 256;

struct PlistFree {
    void operator()(plist_t p) const { plist_free(p); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

id objectFromNode(plist_t node, int depth, bool mutableContainers) {
    if (!node || depth > kMaxDepth) return {};
    switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            uint8_t b = 0;
            plist_get_bool_val(node, &b);
            return NSNum(b != 0);
        }
        case PLIST_UINT: {
            // Negative integers arrive as their two's complement.
            uint64_t u = 0;
            plist_get_uint_val(node, &u);
            return NSNum(static_cast<std::int64_t>(u));
        }
        case PLIST_REAL: {
            double d = 0;
            plist_get_real_val(node, &d);
            return NSNum(d);
        }
        case PLIST_STRING: {
            uint64_t length = 0;
            const char* s = plist_get_string_ptr(node, &length);
            return NSStr(s ? std::string_view(s, length) : std::string_view());
        }
        case PLIST_DATA: {
            uint64_t length = 0;
            const char* p = plist_get_data_ptr(node, &length);
            std::vector<std::uint8_t> bytes;
            if (p) bytes.assign(p, p + length);
            return rt::make<NSData>("NSData", std::move(bytes));
        }
        case PLIST_DATE: {
            int32_t sec = 0, usec = 0;
            plist_get_date_val(node, &sec, &usec);
            return NSDateNew(kReferenceDateSince1970 + sec + usec / 1e6);
        }
        case PLIST_ARRAY: {
            std::vector<id> items;
            uint32_t n = plist_array_get_size(node);
            items.reserve(n);
            for (uint32_t i = 0; i < n; ++i)
                if (id item = objectFromNode(plist_array_get_item(node, i), depth + 1, mutableContainers))
                    items.push_back(std::move(item));
            if (mutableContainers) return rt::make<NSMutableArray>("NSMutableArray", std::move(items));
            return NSArrayNew(std::move(items));
        }
        case PLIST_DICT: {
            id result = NSDictionaryNew(mutableContainers);
            auto dict = rt::cast<NSDictionary>(result);
            dict->entries.reserve(plist_dict_get_size(node));
            plist_dict_iter it = nullptr;
            plist_dict_new_iter(node, &it);
            if (!it) return result;
            // Where each key went, so a file of many keys loads in time
            // proportional to its size; a key given twice keeps its first
            // place and its last value, as setObject would.
            std::unordered_map<std::string, std::size_t> placed;
            placed.reserve(plist_dict_get_size(node));
            for (;;) {
                char* key = nullptr;
                plist_t value = nullptr;
                plist_dict_next_item(node, it, &key, &value);
                if (!value) {
                    std::free(key);
                    break;
                }
                // Values with no Foundation counterpart (UIDs) are left out.
                id object = key ? objectFromNode(value, depth + 1, mutableContainers) : id{};
                if (object) {
                    auto [at, added] = placed.emplace(key, dict->entries.size());
                    if (added)
                        dict->entries.emplace_back(key, std::move(object));
                    else
                        dict->entries[at->second].second = std::move(object);
                }
                std::free(key);
            }
            std::free(it);
            return result;
        }
        default:
            return {};
    }
}

// `source` names the list in the log line of a refusal.
id parse(const std::string& bytes, bool mutableContainers, const std::string& source = "a property list") {
    std::string_view data(bytes);
    // A UTF-8 byte-order mark is valid before XML on the device; the parser refuses it.
    if (data.starts_with("\xEF\xBB\xBF")) data.remove_prefix(3);
    if (data.empty() || data.size() > std::numeric_limits<uint32_t>::max()) return {};
    // Refused before the library sees it: too large, too deep, too many
    // values, a list holding itself, a key the library would abort on.
    if (auto why = detail::refusedShape(data)) {
        logLine("PropertyList: " + source + " was refused: " + *why);
        return {};
    }
    plist_t root = nullptr;
    plist_from_memory(data.data(), static_cast<uint32_t>(data.size()), &root);
    PlistPtr owned(root);
    return objectFromNode(root, 0, mutableContainers);
}

// Reads a regular file whole; nothing for a missing, unreadable or special
// file (a FIFO is never waited on) or one larger than any list may be.
bool readFile(const std::string& path, std::string& out) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    const std::size_t limit = detail::PlistLimits{}.bytes;
    if (ok && static_cast<std::uint64_t>(st.st_size) > limit) {
        logLine("PropertyList: " + path + " was refused: " + std::to_string(st.st_size) + " bytes, more than the " +
                std::to_string(limit) + " a list may have");
        ok = false;
    }
    out.clear();
    if (ok) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        out.reserve(static_cast<std::size_t>(st.st_size));
        char buffer[16384];
        for (;;) {
            ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) ok = false;
            if (n <= 0) break;
            out.append(buffer, static_cast<std::size_t>(n));
            if (out.size() > limit) ok = false;  // it grew while read
            if (!ok) break;
        }
    }
    ::close(fd);
    return ok;
}

PlistPtr nodeFromObject(const id& object, int depth);

plist_t nodeOrNull(const id& object, int depth) { return nodeFromObject(object, depth).release(); }

PlistPtr nodeFromObject(const id& object, int depth) {
    if (!object || depth > kMaxDepth) return nullptr;
    if (auto s = rt::cast<NSString>(object)) {
        // The writer stops at a NUL; such a string cannot be stored faithfully.
        if (s->utf8.find('\0') != std::string::npos) return nullptr;
        return PlistPtr(plist_new_string(s->utf8.c_str()));
    }
    if (auto n = rt::cast<NSNumber>(object)) {
        return std::visit(
            [](auto v) -> PlistPtr {
                using V = decltype(v);
                if constexpr (std::is_same_v<V, bool>) return PlistPtr(plist_new_bool(v ? 1 : 0));
                else if constexpr (std::is_same_v<V, double>) return PlistPtr(plist_new_real(v));
                else return PlistPtr(plist_new_uint(static_cast<uint64_t>(v)));
            },
            n->value);
    }
    if (auto d = rt::cast<NSData>(object))
        return PlistPtr(plist_new_data(reinterpret_cast<const char*>(d->bytes.data()), d->bytes.size()));
    if (auto date = rt::cast<NSDate>(object)) {
        double since = date->timeIntervalSince1970 - kReferenceDateSince1970;
        if (!std::isfinite(since) || std::fabs(since) >= 2147483647.0) return nullptr;
        double whole = std::floor(since);
        return PlistPtr(plist_new_date(static_cast<int32_t>(whole), static_cast<int32_t>((since - whole) * 1e6)));
    }
    if (auto dict = rt::cast<NSDictionary>(object)) {
        // Keys are written sorted, as the device writes them.
        std::vector<const std::pair<std::string, id>*> entries;
        for (const auto& e : dict->entries) entries.push_back(&e);
        std::sort(entries.begin(), entries.end(), [](auto a, auto b) { return a->first < b->first; });
        PlistPtr node(plist_new_dict());
        for (const auto* e : entries) {
            if (e->first.find('\0') != std::string::npos) return nullptr;
            plist_t child = nodeOrNull(e->second, depth + 1);
            if (!child) return nullptr;
            plist_dict_set_item(node.get(), e->first.c_str(), child);
        }
        return node;
    }
    if (auto array = rt::cast<NSArray>(object)) {
        PlistPtr node(plist_new_array());
        for (const auto& item : array->items) {
            plist_t child = nodeOrNull(item, depth + 1);
            if (!child) return nullptr;
            plist_array_append_item(node.get(), child);
        }
        return node;
    }
    return nullptr;
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool replaceInPlace(const std::string& path, const std::string& bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = writeAll(fd, bytes);
    return ::close(fd) == 0 && ok;
}

}  // namespace

id propertyListFromData(const std::string& bytes) { return parse(bytes, false); }

id dictionaryFromData(const std::string& bytes) {
    id root = parse(bytes, false);
    return isDictionary(root) ? root : id{};
}

id dictionaryWithContentsOfFile(const std::string& path) {
    std::string bytes;
    if (!readFile(path, bytes)) return {};
    id root = parse(bytes, false, path);
    return isDictionary(root) ? root : id{};
}

id mutableDictionaryWithContentsOfFile(const std::string& path) {
    std::string bytes;
    if (!readFile(path, bytes)) return {};
    id root = parse(bytes, true, path);
    return isDictionary(root) ? root : id{};
}

std::string xmlData(const id& propertyList) {
    PlistPtr node = nodeFromObject(propertyList, 0);
    if (!node) return {};
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node.get(), &xml, &length);
    std::string out = xml ? std::string(xml, length) : std::string();
    plist_to_xml_free(xml);
    return out;
}

std::string binaryData(const id& propertyList) {
    PlistPtr node = nodeFromObject(propertyList, 0);
    if (!node) return {};
    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(node.get(), &bin, &length);
    std::string out = bin ? std::string(bin, length) : std::string();
    plist_to_bin_free(bin);
    return out;
}

bool writeToFile(const id& dictionary, const std::string& path, bool atomically) {
    if (!isDictionary(dictionary) || path.empty()) return false;
    std::string xml = xmlData(dictionary);
    if (xml.empty()) return false;
    return atomically ? replaceFile(path, xml).ok() : replaceInPlace(path, xml);
}

bool fileExistsAtPath(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace ns
