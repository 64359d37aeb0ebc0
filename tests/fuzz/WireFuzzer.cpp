// Every decoder of the device's wire under libFuzzer: the frames of a stream
// cut at any place, each message of the schema from arbitrary bytes, the
// launcher's info, and the page's WebSocket frames. The first byte chooses
// which; the rest is the input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "WebSocket.h"
#include "wire/Frame.h"
#include "wire/LauncherInfo.h"
#include "wire/keeper.pb.h"
#include "wire/page.pb.h"
#include "wire/settings.pb.h"
#include "wire/springboard.pb.h"

namespace {

volatile std::size_t sink;

template <class M>
void decode(std::string_view bytes) {
    if (auto m = wire::decode<M>(bytes)) sink = m->ByteSizeLong();
}

// Any message, by the schema's own order.
void decodeAs(std::uint8_t which, std::string_view bytes) {
    switch (which % 16) {
        case 0: return decode<wire::ToSpringBoard>(bytes);
        case 1: return decode<wire::FromSpringBoard>(bytes);
        case 2: return decode<wire::FromSupervisor>(bytes);
        case 3: return decode<wire::FromKeeper>(bytes);
        case 4: return decode<wire::ToKeeper>(bytes);
        case 5: return decode<wire::KeeperAnswer>(bytes);
        case 6: return decode<wire::ToSettings>(bytes);
        case 7: return decode<wire::FromSettings>(bytes);
        case 8: return decode<wire::ToPage>(bytes);
        case 9: return decode<wire::FromPage>(bytes);
        case 10: return decode<wire::SafeModeRecord>(bytes);
        case 11: return decode<wire::BootRecord>(bytes);
        case 12: return decode<wire::ProgramList>(bytes);
        case 13: return decode<wire::LoaderProgress>(bytes);
        default: return decode<wire::ScreenUpdate>(bytes);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::uint8_t mode = data[0], which = data[1];
    std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);
    switch (mode % 4) {
        case 0: {
            // A stream in pieces of `which` bytes, each frame decoded as a message.
            wire::FrameReader reader(64 * 1024);
            const std::size_t piece = 1 + which;
            for (std::size_t at = 0; at < input.size(); at += piece) {
                auto frames = reader.take(input.substr(at, piece));
                if (!frames) break;
                for (const std::string& f : *frames) decodeAs(which, f);
            }
            break;
        }
        case 1: decodeAs(which, input); break;
        case 2: sink = wire::launcherChildPid(input).value_or(0); break;
        default: {
            web::detail::WsReader reader(64 * 1024);
            const std::size_t piece = 1 + which;
            for (std::size_t at = 0; at < input.size(); at += piece) {
                auto messages = reader.take(input.substr(at, piece));
                if (!messages) break;
                for (const auto& m : *messages) sink = m.payload.size();
            }
            if (!input.empty()) sink = web::detail::webSocketAccept(input.substr(0, 24)).ok();
        }
    }
    return 0;
}
