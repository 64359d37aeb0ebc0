// The crash report people read, made from a program's crash note: the
// signal and time, the tweaks loaded (and the one being loaded), and each
// frame of the stack with its library, function and source line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace crash {

struct CrashNote {
    std::string program;
    long pid = 0;
    long long time = 0;  // seconds since 1970
    int signal = 0;
    std::string loading;               // "" when nothing was being loaded
    std::vector<std::string> loaded;
    std::vector<std::uint64_t> frames;
    std::string maps;                  // the process's /proc/self/maps
    std::string reason;                // what the device knows it ran out of; not in the note
};

// The note in `text`, or nothing when it is not one. Bounded: at most 256
// frames and the first 1 MiB of the map are taken.
std::optional<CrashNote> parseCrashNote(const std::string& text);

// The report: a header, then one line a frame ("3  libfoo.so  function + 0x12  (file.cpp:42)").
std::string crashReport(const CrashNote& note);

// What the device knows of a program it ended for its memory: no note (the
// kernel's kill leaves none), only what the loader had loaded.
struct MemoryEnd {
    std::string program;
    long pid = 0;
    long long time = 0;           // seconds since 1970
    long long limitBytes = 0;     // the device's bound; 0: not known
    long long peakBytes = 0;      // the most the device used; 0: not known
    std::string loading;
    std::vector<std::string> loaded;
};

// Its report, as the phone reports a program it ended for memory pressure.
std::string memoryReport(const MemoryEnd& end);

// The libraries to blame: the one being loaded, else every one loaded.
std::vector<std::string> culprits(const CrashNote& note);

}  // namespace crash
