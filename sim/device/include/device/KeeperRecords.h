// What the host keeps of a booted device in its host folder, where the
// device cannot write: the tool's record of the boot, the keeper's record of
// safe mode, of a stop of its own and of the programs the supervisor keeps. Each is a message of
// the wire (wire/keeper.proto), read bounded and never through a link.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "device/Device.h"
#include "foundation/Result.h"
#include "wire/keeper.pb.h"

namespace sim {

// A record's message from its file; nothing when there is none, or when what
// is there is not the record (a stale or torn file is no record).
std::optional<wire::BootRecord> readBootRecord(const Device& device);
ns::Result<> writeBootRecord(const Device& device, const wire::BootRecord& record);

std::optional<wire::SafeModeRecord> readSafeModeRecord(const Device& device);
ns::Result<> writeSafeModeRecord(const Device& device, const wire::SafeModeRecord& record);
void forgetSafeModeRecord(const Device& device);

std::optional<wire::StopRecord> readStopRecord(const Device& device);
ns::Result<> writeStopRecord(const Device& device, const wire::StopRecord& record);
void forgetStopRecord(const Device& device);

std::optional<wire::ProgramList> readProgramList(const Device& device);
ns::Result<> writeProgramList(const Device& device, const wire::ProgramList& list);

}  // namespace sim
