#include "device/KeeperRecords.h"

#include <fcntl.h>
#include <unistd.h>

#include "device/DeviceFiles.h"
#include "foundation/FileReplace.h"
#include "wire/Frame.h"

namespace sim {

namespace {

namespace fs = std::filesystem;

// A record is a few hundred bytes; what is larger is not one.
constexpr std::size_t kLargestRecord = 64 * 1024;

fs::path safeModeFile(const Device& device) { return device.hostFolder() / "safe-mode"; }
fs::path programsFile(const Device& device) { return device.hostFolder() / "programs"; }
fs::path stopFile(const Device& device) { return device.hostFolder() / "stopped"; }

template <class M>
std::optional<M> readRecord(const Device& device, const fs::path& file) {
    auto bytes = DeviceFiles(device).read(file, kLargestRecord);
    if (!bytes) return std::nullopt;
    auto message = wire::decode<M>(*bytes);
    if (!message || message->version() != wire::kVersion) return std::nullopt;
    return std::move(*message);
}

template <class M>
ns::Result<> writeRecord(const fs::path& file, M message) {
    message.set_version(wire::kVersion);
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    return ns::replaceFile(file, message.SerializeAsString());
}

}  // namespace

std::optional<wire::BootRecord> readBootRecord(const Device& device) {
    return readRecord<wire::BootRecord>(device, device.bootStateFile());
}

ns::Result<> writeBootRecord(const Device& device, const wire::BootRecord& record) {
    return writeRecord(device.bootStateFile(), record);
}

std::optional<wire::SafeModeRecord> readSafeModeRecord(const Device& device) {
    return readRecord<wire::SafeModeRecord>(device, safeModeFile(device));
}

ns::Result<> writeSafeModeRecord(const Device& device, const wire::SafeModeRecord& record) {
    return writeRecord(safeModeFile(device), record);
}

void forgetSafeModeRecord(const Device& device) {
    std::error_code ec;
    fs::remove(safeModeFile(device), ec);
}

std::optional<wire::StopRecord> readStopRecord(const Device& device) {
    return readRecord<wire::StopRecord>(device, stopFile(device));
}

ns::Result<> writeStopRecord(const Device& device, const wire::StopRecord& record) {
    return writeRecord(stopFile(device), record);
}

void forgetStopRecord(const Device& device) {
    std::error_code ec;
    fs::remove(stopFile(device), ec);
}

std::optional<wire::ProgramList> readProgramList(const Device& device) {
    return readRecord<wire::ProgramList>(device, programsFile(device));
}

ns::Result<> writeProgramList(const Device& device, const wire::ProgramList& list) {
    return writeRecord(programsFile(device), list);
}

}  // namespace sim
