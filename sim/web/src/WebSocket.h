// The WebSocket protocol's own framing, as the page's live connection uses it
// (RFC 6455): the handshake's accept key, the frames a browser sends (masked,
// perhaps in fragments) read into messages with every length bounded, and
// the frames the server sends (unmasked, whole).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Result.h"

namespace web::detail {

// Sec-WebSocket-Accept for a client's Sec-WebSocket-Key; nothing for a key
// that is not 16 bytes in base64.
ns::Result<std::string> webSocketAccept(std::string_view key);

enum class WsOpcode : std::uint8_t { Continuation = 0, Text = 1, Binary = 2, Close = 8, Ping = 9, Pong = 10 };

struct WsMessage {
    WsOpcode opcode = WsOpcode::Binary;  // Text, Binary, Close, Ping or Pong; never Continuation
    std::string payload;
};

// A client's frames into whole messages. Every frame of a client must be
// masked; control frames may come between the fragments of a message.
class WsReader {
public:
    explicit WsReader(std::size_t largestMessage) : largest_(largestMessage) {}
    // The messages `bytes` completed; a failure (the connection must close
    // with 1002 or 1009) names what was wrong.
    ns::Result<std::vector<WsMessage>> take(std::string_view bytes);

private:
    std::size_t largest_;
    std::string pending_;
    std::string fragments_;
    WsOpcode fragmentOpcode_ = WsOpcode::Binary;
    bool inFragments_ = false;
};

// One whole unmasked frame, as a server sends it.
std::string wsFrame(WsOpcode opcode, std::string_view payload);
// A close frame with its status code (1000 normal, 1002 protocol error, 1009 too big).
std::string wsClose(std::uint16_t code, std::string_view reason);

}  // namespace web::detail
