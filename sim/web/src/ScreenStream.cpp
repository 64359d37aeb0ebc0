#include "web/ScreenStream.h"

namespace web {

namespace {

void put(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(value >> (8 * i) & 0xff));
}

std::string framed(StreamKind kind, const std::string& body) {
    std::string out;
    out.reserve(body.size() + 5);
    put(out, body.size() + 1, 4);
    out.push_back(static_cast<char>(kind));
    out += body;
    return out;
}

}  // namespace

std::string screenMessage(const ScreenUpdate& u) {
    std::string body;
    std::size_t pictures = 0;
    for (const ScreenPicture& p : u.pictures) pictures += p.png.size();
    body.reserve(11 + 12 * u.pictures.size() + pictures);
    put(body, static_cast<std::uint32_t>(u.serial), 4);
    put(body, static_cast<std::uint16_t>(u.width), 2);
    put(body, static_cast<std::uint16_t>(u.height), 2);
    body.push_back(u.whole ? 1 : 0);
    put(body, u.pictures.size(), 2);
    for (const ScreenPicture& p : u.pictures) {
        put(body, static_cast<std::uint16_t>(p.x), 2);
        put(body, static_cast<std::uint16_t>(p.y), 2);
        put(body, static_cast<std::uint16_t>(p.width), 2);
        put(body, static_cast<std::uint16_t>(p.height), 2);
        put(body, p.png.size(), 4);
    }
    for (const ScreenPicture& p : u.pictures) body += p.png;
    return framed(StreamKind::Screen, body);
}

std::string streamEvent(const nlohmann::json& event) {
    return framed(StreamKind::Event, event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

}  // namespace web
