// What a program of a device notes at the moment it crashes: its signal, the
// time, the tweaks it had loaded and the one it was loading, the addresses of
// its stack and its memory map. Written from the signal handler with nothing
// but system calls; the supervisor turns it into the report people read.
#pragma once

#include <string>

namespace crash {

// Where the notes go inside a device, as the phone keeps its crash logs.
inline constexpr const char* kReportFolder = "/var/mobile/Library/Logs/CrashReporter";

// Handles the crash signals (a note, then the signal's own end), writing
// notes named "<program>-<pid>.note" into `folder`.
void installCrashNote(const std::string& program, const std::string& folder = kReportFolder);

// The loader's progress, kept for the note: the library being loaded now
// (its constructors run inside the load), and those loaded before it. With
// keepLoaderProgress, each step also replaces that file (a LoaderProgress of
// the wire), so a program that exits or hangs while loading tells too.
void keepLoaderProgress(const std::string& file);
void noteLoading(const std::string& library);
void noteLoaded(const std::string& library);

}  // namespace crash
