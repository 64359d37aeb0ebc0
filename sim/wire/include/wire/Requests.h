// The requests of SpringBoard's control socket, made in one place.
#pragma once

#include <cstdint>
#include <string>

#include "wire/springboard.pb.h"

namespace wire {

ToSpringBoard pingRequest();
ToSpringBoard tweaksRequest();
ToSpringBoard dumpRequest();
ToSpringBoard screenshotRequest(const std::string& insidePath);
ToSpringBoard mediaRequest(Media::Action action);
ToSpringBoard lockRequest(LockRequest::State state);
ToSpringBoard statusBarRequest(const StatusBar& overrides);
ToSpringBoard touchRequest(Touch::Phase phase, double x, double y, std::uint32_t seq = 0);
ToSpringBoard clockRequest(const ClockRequest& change);
ToSpringBoard notifyRequest(const NotifyRequest& action);
ToSpringBoard todayRequest();
ToSpringBoard refreshWeatherRequest();
ToSpringBoard watchScreenRequest();
ToSpringBoard wholeScreenRequest();

}  // namespace wire
