#include "wire/Frame.h"

#include <limits>

namespace wire {

namespace {

void putLength(std::string& out, std::size_t length) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((length >> (8 * i)) & 0xff));
}

std::uint32_t getLength(std::string_view bytes) {
    std::uint32_t n = 0;
    for (int i = 0; i < 4; ++i) n |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return n;
}

}  // namespace

std::string frame(const google::protobuf::MessageLite& message) {
    std::string out;
    std::size_t size = message.ByteSizeLong();
    out.reserve(4 + size);
    putLength(out, size);
    message.AppendToString(&out);
    return out;
}

std::string frameBytes(std::string_view encoded) {
    std::string out;
    out.reserve(4 + encoded.size());
    putLength(out, encoded.size());
    out.append(encoded);
    return out;
}

ns::Result<std::vector<std::string>> FrameReader::take(std::string_view bytes) {
    pending_.append(bytes);
    std::vector<std::string> frames;
    std::size_t at = 0;
    while (pending_.size() - at >= 4) {
        std::uint32_t length = getLength(std::string_view(pending_).substr(at, 4));
        if (length > largest_)
            return ns::fail("a frame of " + std::to_string(length) + " bytes, over the " + std::to_string(largest_) +
                            " bytes this connection takes");
        if (pending_.size() - at - 4 < length) break;
        frames.emplace_back(pending_, at + 4, length);
        at += 4 + length;
    }
    pending_.erase(0, at);
    return frames;
}

}  // namespace wire
