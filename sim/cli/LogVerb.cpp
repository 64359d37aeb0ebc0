// log: the device log, once or followed.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include "Args.h"
#include "Verbs.h"
#include "device/Device.h"
#include "device/Failure.h"

namespace cli {

namespace {

// Copies the file from `offset` on to standard output; answers the new offset.
std::streamoff copyFrom(const std::filesystem::path& file, std::streamoff offset) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return offset;
    in.seekg(0, std::ios::end);
    std::streamoff size = in.tellg();
    if (size < offset) offset = 0;  // the log was emptied: start again
    in.seekg(offset);
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        std::fwrite(buffer, 1, static_cast<std::size_t>(in.gcount()), stdout);
        offset += in.gcount();
    }
    std::fflush(stdout);
    return offset;
}

}  // namespace

int logVerb(const std::vector<std::string>& words) {
    Args args(words, {}, {"follow"});
    if (args.help()) return printUsage("log");
    args.expectPositionals(1, "DEVICE");
    sim::Device device(args.positionals()[0]);
    device.requireExists();
    std::streamoff offset = copyFrom(device.logFile(), 0);
    if (!args.flag("follow")) return 0;
    while (true) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        offset = copyFrom(device.logFile(), offset);
        if (std::ferror(stdout)) throw sim::Failure("cannot write to standard output");
    }
}

}  // namespace cli
