// The page's live stream (GET /api/screen): binary messages, each
//
//   u32 length of what follows (little-endian) | u8 kind | body
//
//   kind 1, an update of the screen:
//     u32 serial | u16 width | u16 height | u8 whole | u16 count
//     | count * (u16 x | u16 y | u16 w | u16 h | u32 bytes) | the PNG pictures, in order
//   kind 2, an event: JSON text, { "type": "device", "state": "live" | "starting" | "down", ... }
//
// Sizes are device pixels; the page draws each picture at its place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace web {

struct ScreenPicture {
    int x = 0, y = 0, width = 0, height = 0;
    std::string png;
};

struct ScreenUpdate {
    std::uint64_t serial = 0;
    int width = 0, height = 0;
    bool whole = false;  // the whole screen, not only what changed
    std::vector<ScreenPicture> pictures;
};

enum class StreamKind : std::uint8_t { Screen = 1, Event = 2 };

std::string screenMessage(const ScreenUpdate& update);
std::string streamEvent(const nlohmann::json& event);

}  // namespace web
