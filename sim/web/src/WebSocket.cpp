#include "WebSocket.h"

#include <nettle/base64.h>
#include <nettle/sha1.h>

namespace web::detail {

namespace {

constexpr std::string_view kGuid = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";
// A control frame's payload is at most this (the protocol's own limit).
constexpr std::size_t kLargestControl = 125;

bool isControl(WsOpcode op) { return static_cast<std::uint8_t>(op) >= 8; }

bool isKnown(std::uint8_t op) { return op <= 2 || (op >= 8 && op <= 10); }

}  // namespace

ns::Result<std::string> webSocketAccept(std::string_view key) {
    // The key is 16 random bytes in base64: 24 characters.
    if (key.size() != 24) return ns::fail("Sec-WebSocket-Key is not 16 bytes in base64");
    base64_decode_ctx decoder;
    base64_decode_init(&decoder);
    std::uint8_t raw[24];
    std::size_t rawSize = sizeof raw;
    if (!base64_decode_update(&decoder, &rawSize, raw, key.size(), key.data()) || !base64_decode_final(&decoder) ||
        rawSize != 16)
        return ns::fail("Sec-WebSocket-Key is not 16 bytes in base64");
    std::string joined = std::string(key) + std::string(kGuid);
    sha1_ctx sha;
    sha1_init(&sha);
    sha1_update(&sha, joined.size(), reinterpret_cast<const std::uint8_t*>(joined.data()));
    std::uint8_t digest[SHA1_DIGEST_SIZE];
    sha1_digest(&sha, sizeof digest, digest);
    char encoded[BASE64_ENCODE_RAW_LENGTH(SHA1_DIGEST_SIZE) + 1] = {};
    base64_encode_raw(encoded, sizeof digest, digest);
    return std::string(encoded, BASE64_ENCODE_RAW_LENGTH(SHA1_DIGEST_SIZE));
}

ns::Result<std::vector<WsMessage>> WsReader::take(std::string_view bytes) {
    pending_.append(bytes);
    std::vector<WsMessage> done;
    std::size_t at = 0;
    while (true) {
        const auto* p = reinterpret_cast<const unsigned char*>(pending_.data()) + at;
        std::size_t have = pending_.size() - at;
        if (have < 2) break;
        const bool fin = p[0] & 0x80;
        if (p[0] & 0x70) return ns::fail("a frame with reserved bits set (no extension was agreed)");
        const std::uint8_t op = p[0] & 0x0f;
        if (!isKnown(op)) return ns::fail("a frame of unknown opcode " + std::to_string(op));
        if (!(p[1] & 0x80)) return ns::fail("a client's frame that is not masked");
        std::uint64_t length = p[1] & 0x7f;
        std::size_t head = 2;
        if (length == 126) {
            if (have < 4) break;
            length = (std::uint64_t{p[2]} << 8) | p[3];
            head = 4;
        } else if (length == 127) {
            if (have < 10) break;
            length = 0;
            for (int i = 0; i < 8; ++i) length = (length << 8) | p[2 + i];
            head = 10;
        }
        const auto opcode = static_cast<WsOpcode>(op);
        if (isControl(opcode) && (!fin || length > kLargestControl))
            return ns::fail("a control frame that is fragmented or longer than 125 bytes");
        const std::size_t already = isControl(opcode) ? 0 : fragments_.size();
        if (length > largest_ || already + length > largest_)
            return ns::fail("a message over the " + std::to_string(largest_) + " bytes this connection takes");
        if (have < head + 4 + length) break;
        const unsigned char* mask = p + head;
        std::string payload(reinterpret_cast<const char*>(p + head + 4), static_cast<std::size_t>(length));
        for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(payload[i] ^ mask[i % 4]);
        at += head + 4 + static_cast<std::size_t>(length);

        if (isControl(opcode)) {
            done.push_back({opcode, std::move(payload)});
            continue;
        }
        if (opcode == WsOpcode::Continuation) {
            if (!inFragments_) return ns::fail("a continuation frame with no message to continue");
            fragments_ += payload;
        } else {
            if (inFragments_) return ns::fail("a new message began before the last one ended");
            fragmentOpcode_ = opcode;
            fragments_ = std::move(payload);
            inFragments_ = true;
        }
        if (fin) {
            done.push_back({fragmentOpcode_, std::move(fragments_)});
            fragments_.clear();
            inFragments_ = false;
        }
    }
    pending_.erase(0, at);
    return done;
}

std::string wsFrame(WsOpcode opcode, std::string_view payload) {
    std::string out;
    out.reserve(payload.size() + 10);
    out.push_back(static_cast<char>(0x80 | static_cast<std::uint8_t>(opcode)));
    const std::uint64_t n = payload.size();
    if (n < 126) {
        out.push_back(static_cast<char>(n));
    } else if (n <= 0xffff) {
        out.push_back(static_cast<char>(126));
        out.push_back(static_cast<char>(n >> 8));
        out.push_back(static_cast<char>(n & 0xff));
    } else {
        out.push_back(static_cast<char>(127));
        for (int i = 7; i >= 0; --i) out.push_back(static_cast<char>((n >> (8 * i)) & 0xff));
    }
    out.append(payload);
    return out;
}

std::string wsClose(std::uint16_t code, std::string_view reason) {
    std::string payload;
    payload.push_back(static_cast<char>(code >> 8));
    payload.push_back(static_cast<char>(code & 0xff));
    payload.append(reason.substr(0, kLargestControl - 2));
    return wsFrame(WsOpcode::Close, payload);
}

}  // namespace web::detail
