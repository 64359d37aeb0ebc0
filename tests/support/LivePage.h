// A page's live connection as a test sees it: GET /api/live taken over as a
// WebSocket, the server's messages read as the wire's ToPage, and messages
// sent as a browser sends them (masked frames).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "HttpClient.h"
#include "wire/page.pb.h"

namespace webtest {

class LivePage {
public:
    // `path`: the live connection of the device a server of several names ("/d/1/api/live").
    explicit LivePage(int port, double waitSeconds = 10, int receiveBuffer = 0, const std::string& path = "/api/live");
    // The answer to the handshake: 101 when the server took the page, else its refusal.
    const std::optional<Response>& head() const { return head_; }
    bool live() const { return head_ && head_->status == 101; }

    // The next message of the server, as bytes and decoded; nothing when the
    // connection ends (a close frame included) or the wait runs out.
    std::optional<std::string> nextBytes();
    std::optional<wire::ToPage> next();
    // The close frame's code, once one came.
    std::optional<std::uint16_t> closedWith() const { return closedWith_; }

    bool send(const wire::FromPage& message);
    // A frame as given (opcode, payload, the final bit), masked.
    bool sendFrame(std::uint8_t opcode, const std::string& payload, bool final = true);
    Connection& connection() { return c_; }

private:
    Connection c_;
    std::optional<Response> head_;
    std::optional<std::uint16_t> closedWith_;
};

}  // namespace webtest
