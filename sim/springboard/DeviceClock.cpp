#include "DeviceClock.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "dump/IsoTime.h"
#include "foundation/FileReplace.h"
#include "foundation/Process.h"
#include "foundation/RegularFile.h"
#include "foundation/TimeZones.h"

namespace springboard {

namespace {

double realNow() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

std::string number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool showable(double t) { return std::isfinite(t) && t >= 0 && t <= kLastInstant; }

const std::string kRange = "from 1970-01-01T00:00:00Z to 9999-12-31T23:59:59Z";

// The leading year of an ISO text, when it starts with one (any count of digits).
std::optional<long> leadingYear(const std::string& text) {
    std::size_t n = 0;
    while (n < text.size() && n < 12 && text[n] >= '0' && text[n] <= '9') ++n;
    if (n == 0 || n >= text.size() || text[n] != '-') return std::nullopt;
    return std::stol(text.substr(0, n));
}

bool hasOffset(const std::string& text) {
    if (text.size() <= 16) return false;
    const std::string tail = text.substr(16);
    return tail.find_first_of("Z+-") != std::string::npos;
}

ns::Result<> checkRate(double rate) {
    if (!std::isfinite(rate) || rate <= 0 || rate > ns::Clock::kFastestRate)
        return ns::fail("the rate must be a number above 0 and at most 3600 (x1, x10, x60, x3600), not " + number(rate));
    return {};
}

void record(const std::string& path) {
    const ns::Clock& clock = ns::Process::current().clock();
    wire::ClockRecord r;
    r.set_real(clock.mode() == ns::Clock::Mode::Real);
    r.set_device_at(clock.now());
    r.set_real_at(realNow());
    r.set_rate(clock.chosenRate());
    r.set_paused(clock.paused());
    if (auto written = ns::replaceFile(path, r.SerializeAsString()); !written)
        std::fprintf(stderr, "SpringBoard: the clock is not recorded: %s\n", written.reason().c_str());
}

}  // namespace

ns::Result<wire::ClockRecord> clockRecordOf(std::string_view bytes) {
    if (bytes.size() > kMaxClockRecordBytes)
        return ns::fail("the clock record is " + std::to_string(bytes.size()) + " bytes, more than " +
                        std::to_string(kMaxClockRecordBytes));
    wire::ClockRecord r;
    if (!r.ParseFromArray(bytes.data(), static_cast<int>(bytes.size()))) return ns::fail("the clock record is not one");
    if (r.real()) return r;
    if (!showable(r.device_at())) return ns::fail("the clock record's time " + number(r.device_at()) + " is not " + kRange);
    if (!std::isfinite(r.real_at()) || r.real_at() <= 0 || r.real_at() > kLastInstant)
        return ns::fail("the clock record's moment " + number(r.real_at()) + " is not a time");
    if (!checkRate(r.rate())) return ns::fail("the clock record's rate " + number(r.rate()) + " is not one");
    return r;
}

double recordedNow(const wire::ClockRecord& r, double realNow) {
    if (r.paused()) return r.device_at();
    // A real clock set back since the record moves nothing back.
    const double t = r.device_at() + std::max(0.0, realNow - r.real_at()) * r.rate();
    return std::min(t, kLastInstant);
}

void startClock(const std::string& recordPath, const char* bootTime) {
    auto bytes = ns::readRegularFile(recordPath, kMaxClockRecordBytes + 1);
    if (bytes) {
        auto r = clockRecordOf(*bytes);
        if (r && r->real()) {
            ns::useRealClock();
            return;
        }
        if (r) {
            ns::useRealPaceFrom(recordedNow(*r, realNow()));
            ns::setClockRate(r->rate());
            if (r->paused()) ns::pauseClock();
            return;
        }
        std::fprintf(stderr, "SpringBoard: %s: %s; the clock starts as booted\n", recordPath.c_str(), r.reason().c_str());
    }
    if (bootTime && *bootTime) {
        auto t = dump::parseIsoTime(bootTime);
        if (!t) throw std::runtime_error(std::string("ORVELLE_TIME \"") + bootTime + "\" is not an ISO 8601 time like 2026-12-07T21:05:02");
        ns::useRealPaceFrom(*t);
        // A restart goes on from the boot's time, not back to it.
        record(recordPath);
    }
}

wire::ClockState clockState() {
    const ns::Clock& clock = ns::Process::current().clock();
    wire::ClockState s;
    s.set_real(clock.mode() == ns::Clock::Mode::Real);
    s.set_paused(clock.paused());
    s.set_rate(clock.chosenRate());
    s.set_now(clock.now());
    s.set_iso(dump::isoTime(clock.now()));
    const char* zone = std::getenv("TZ");
    s.set_time_zone(zone && *zone ? zone : "UTC");
    return s;
}

ns::Result<double> instantOf(const std::string& text, const std::string& zone) {
    if (!zone.empty() && !ns::isKnownTimeZone(zone))
        return ns::fail("unknown time zone \"" + zone + "\": give a zone of the time-zone database, such as "
                        "Europe/Berlin, America/New_York or UTC");
    if (auto year = leadingYear(text); year && (*year < kFirstYear || *year > kLastYear))
        return ns::fail("the year " + std::to_string(*year) + " is outside the clock's years, " +
                        std::to_string(kFirstYear) + " to " + std::to_string(kLastYear));
    std::optional<double> t;
    if (zone.empty() || hasOffset(text)) {
        t = dump::parseIsoTime(text);
    } else if (auto wall = dump::parseIsoTime(text + "Z")) {
        t = ns::instantOfWallTime(*wall, zone);
    }
    if (!t)
        return ns::fail("\"" + text + "\" is not a date and time like 2027-03-28T01:59:58 (ISO 8601, in the " +
                        "device's time zone unless it ends in Z or an offset such as +01:00)");
    if (!showable(*t)) return ns::fail("\"" + text + "\" is outside the clock's range, " + kRange);
    return *t;
}

ns::Result<wire::ClockState> changeClock(const wire::ClockRequest& change, const std::string& recordPath) {
    using C = wire::ClockRequest;
    if (change.change_case() != C::kSet && !change.time_zone().empty())
        return ns::fail("a time zone goes with set alone");
    switch (change.change_case()) {
        case C::kPause: ns::pauseClock(); break;
        case C::kResume: ns::resumeClock(); break;
        case C::kReal: {
            const double before = ns::now();
            ns::useRealClock();
            ns::Process::current().runLoop().clockJumped(before, ns::now());
            break;
        }
        case C::kSet: {
            auto t = instantOf(change.set(), change.time_zone());
            if (!t) return ns::fail(t.reason());
            ns::setClockTo(*t);
            break;
        }
        case C::kAdvance: {
            const double step = change.advance(), to = ns::now() + step;
            if (!std::isfinite(step) || !showable(to))
                return ns::fail("a step of " + number(step) + " seconds would take the clock outside " + kRange);
            ns::setClockTo(to);
            break;
        }
        case C::kRate: {
            if (auto ok = checkRate(change.rate()); !ok) return ns::fail(ok.reason());
            ns::setClockRate(change.rate());
            break;
        }
        case C::kShow:
        case C::CHANGE_NOT_SET: return clockState();
    }
    record(recordPath);
    return clockState();
}

}  // namespace springboard
