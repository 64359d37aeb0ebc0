// The device's clock held in hand: the control requests that pause, set, step
// and speed it, checked against what a clock can show, and its record in the
// run folder, so a restart of the home screen comes back to the same clock
// (a boot clears the run folder and starts afresh).
#pragma once

#include <string>
#include <string_view>

#include "foundation/Result.h"
#include "wire/springboard.pb.h"

namespace springboard {

// The years a device's clock may show.
inline constexpr int kFirstYear = 1970, kLastYear = 9999;
// 9999-12-31T23:59:59Z.
inline constexpr double kLastInstant = 253402300799;
// A record is a handful of numbers: anything longer is not one.
inline constexpr std::size_t kMaxClockRecordBytes = 256;

// The clock after `change` (as it stands, for show), recorded at `recordPath`;
// or a refusal naming what is accepted, the clock unchanged.
ns::Result<wire::ClockState> changeClock(const wire::ClockRequest& change, const std::string& recordPath);
// The clock as it stands.
wire::ClockState clockState();
// The instant an ISO 8601 text names, read in `zone` (empty: the device's)
// unless it carries an offset; or a refusal naming what is accepted.
ns::Result<double> instantOf(const std::string& text, const std::string& zone = {});

// At the home screen's start: the clock as recorded (how it moved since
// included), else from `bootTime` at the real pace when it is set (and
// recorded, so a restart goes on from it), else the real clock. A record that
// is not one is logged and left aside.
void startClock(const std::string& recordPath, const char* bootTime);

// A record's bytes, checked: every value finite and within what a clock may show.
ns::Result<wire::ClockRecord> clockRecordOf(std::string_view bytes);
// Where the record says the clock stands when the real clock says `realNow`.
double recordedNow(const wire::ClockRecord& record, double realNow);

}  // namespace springboard
