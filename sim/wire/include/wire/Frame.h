// Frames of the device's wire: a little-endian u32 length, then one message
// of the schema (wire/*.proto). A reader takes a stream's bytes as they come
// and hands out whole frames; a peer's bytes are data, so every length is
// bounded before anything is kept.
//
//   wire::FrameReader reader(wire::kLargestRequest);
//   auto frames = reader.take(bytesJustRead);
//   if (!frames) return drop(frames.reason());
//   for (const std::string& f : *frames)
//       if (auto m = wire::decode<wire::ToSpringBoard>(f)) handle(*m);
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <google/protobuf/message_lite.h>

#include "foundation/Result.h"

namespace wire {

// The schema's version, told in every Hello: both ends of a connection speak the same.
inline constexpr std::uint32_t kVersion = 1;

// What one frame may hold: a request or answer, and a screen update or dump.
inline constexpr std::size_t kLargestRequest = 64 * 1024;
inline constexpr std::size_t kLargestAnswer = 64 * 1024 * 1024;

// The frame of `message`: its length and its bytes.
std::string frame(const google::protobuf::MessageLite& message);
// The frame of bytes already encoded (a message forwarded as it came).
std::string frameBytes(std::string_view encoded);

class FrameReader {
public:
    explicit FrameReader(std::size_t largestFrame) : largest_(largestFrame) {}

    // The frames `bytes` completed, each a message's bytes; a failure (the
    // stream is unusable from there on) names what was wrong.
    ns::Result<std::vector<std::string>> take(std::string_view bytes);
    // Bytes of a frame not yet whole.
    std::size_t pending() const { return pending_.size(); }

private:
    std::size_t largest_;
    std::string pending_;
};

// A message from its bytes; the failure names the message expected.
template <class M>
ns::Result<M> decode(std::string_view bytes) {
    M message;
    if (!message.ParseFromArray(bytes.data(), static_cast<int>(bytes.size())))
        return ns::fail("not a well-formed " + message.GetTypeName() + " (" + std::to_string(bytes.size()) + " bytes)");
    return message;
}

}  // namespace wire
