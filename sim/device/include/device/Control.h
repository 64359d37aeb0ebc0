// The control socket of a device's SpringBoard, from the host: a connection
// that said hello, and one request with its answer for the tool's verbs. The
// web simulator keeps a session instead (session/SpringBoardSession.h).
#pragma once

#include "device/Device.h"
#include "device/DeviceFiles.h"
#include "foundation/Result.h"
#include "wire/springboard.pb.h"

namespace sim {

// A connection to the booted device's SpringBoard, non-blocking, with the
// tool's hello sent (SpringBoard's hello is the first answer on it). Fails
// when SpringBoard does not listen.
ns::Result<UniqueFd> connectSpringBoard(const Device& device);

// One request on a connection of its own; the answer, a failure answer
// included, or why there is none (not running, not listening yet, busy past
// the time, another version).
ns::Result<wire::Answer> askSpringBoard(const Device& device, wire::ToSpringBoard request, double timeoutSeconds = 2);

// The answer's failure as one line ("" for an answer that is not one).
std::string failureOf(const wire::Answer& answer);

}  // namespace sim
