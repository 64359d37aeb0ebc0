// What the workbench reads of a device: the clock record (run folder) and
// the notification store (/var) as the home screen reads them back, and the
// device log's lines as the page gets them; arbitrary bytes through each
// reader, and what a reader lets through used as it is used.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "DeviceClock.h"
#include "NotificationStore.h"
#include "device/LogLine.h"
#include "foundation/Conversions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto record = springboard::clockRecordOf(bytes); record && !record->real()) {
        for (double realNow : {0.0, record->real_at(), record->real_at() + 1e9}) {
            double t = springboard::recordedNow(*record, realNow);
            if (!std::isfinite(t) || t < 0 || t > springboard::kLastInstant) std::abort();
        }
    }
    if (auto store = springboard::notificationStoreOf(bytes)) {
        if (static_cast<std::size_t>(store->notifications_size()) > springboard::kMostNotifications) std::abort();
    }
    wire::PageLogLine line = sim::parseLogLine(bytes);
    // Carried in the wire's text fields: always UTF-8, the text bounded.
    if (!ns::utf8Characters(line.text()) || !ns::utf8Characters(line.program()) || !ns::utf8Characters(line.time()) ||
        line.text().size() > sim::kLongestLogText + 3)
        std::abort();
    return 0;
}
