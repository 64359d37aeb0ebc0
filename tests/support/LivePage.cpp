#include "LivePage.h"

namespace webtest {

LivePage::LivePage(int port, double waitSeconds, int receiveBuffer, const std::string& path)
    : c_(port, waitSeconds, receiveBuffer) {
    Headers headers{{"Upgrade", "websocket"},
                    {"Connection", "Upgrade"},
                    {"Sec-WebSocket-Version", "13"},
                    {"Sec-WebSocket-Key", "dGhlIHNhbXBsZSBub25jZQ=="}};
    if (c_.send(requestText("GET", path, port, headers))) {
        head_ = c_.readHead();
        // A refusal has a body; read it whole.
        if (head_ && head_->status != 101 && !head_->header("Content-Length").empty())
            head_->body = c_.readBytes(std::stoul(head_->header("Content-Length"))).value_or("");
    }
}

std::optional<std::string> LivePage::nextBytes() {
    while (true) {
        auto head = c_.readBytes(2);
        if (!head) return std::nullopt;
        const auto b0 = static_cast<unsigned char>((*head)[0]), b1 = static_cast<unsigned char>((*head)[1]);
        std::uint64_t length = b1 & 0x7f;
        if (length >= 126) {
            auto more = c_.readBytes(length == 126 ? 2 : 8);
            if (!more) return std::nullopt;
            length = 0;
            for (char c : *more) length = (length << 8) | static_cast<unsigned char>(c);
        }
        auto payload = c_.readBytes(static_cast<std::size_t>(length));
        if (!payload) return std::nullopt;
        const int opcode = b0 & 0x0f;
        if (opcode == 8) {
            if (payload->size() >= 2)
                closedWith_ = static_cast<std::uint16_t>(static_cast<unsigned char>((*payload)[0]) << 8 |
                                                         static_cast<unsigned char>((*payload)[1]));
            return std::nullopt;
        }
        if (opcode == 2) return payload;
        // Pings and pongs are not the page's business here.
    }
}

std::optional<wire::ToPage> LivePage::next() {
    auto bytes = nextBytes();
    if (!bytes) return std::nullopt;
    wire::ToPage message;
    if (!message.ParseFromString(*bytes)) return std::nullopt;
    return message;
}

bool LivePage::send(const wire::FromPage& message) { return sendFrame(2, message.SerializeAsString()); }

bool LivePage::sendFrame(std::uint8_t opcode, const std::string& payload, bool final) {
    std::string frame;
    frame.push_back(static_cast<char>((final ? 0x80 : 0) | opcode));
    const std::uint64_t n = payload.size();
    if (n < 126) {
        frame.push_back(static_cast<char>(0x80 | n));
    } else if (n <= 0xffff) {
        frame.push_back(static_cast<char>(0x80 | 126));
        frame.push_back(static_cast<char>(n >> 8));
        frame.push_back(static_cast<char>(n & 0xff));
    } else {
        frame.push_back(static_cast<char>(0x80 | 127));
        for (int i = 7; i >= 0; --i) frame.push_back(static_cast<char>((n >> (8 * i)) & 0xff));
    }
    const char mask[4] = {0x12, 0x34, 0x56, 0x78};
    frame.append(mask, 4);
    for (std::size_t i = 0; i < payload.size(); ++i) frame.push_back(static_cast<char>(payload[i] ^ mask[i % 4]));
    return c_.send(frame);
}

}  // namespace webtest
