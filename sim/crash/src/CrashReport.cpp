#include "crash/CrashReport.h"

#include <elfutils/libdwfl.h>

#include <cxxabi.h>

#include <cinttypes>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <sstream>

namespace crash {

namespace {

constexpr std::size_t kMostFrames = 256;
constexpr std::size_t kLongestMap = 1024 * 1024;

std::vector<std::string> split(const std::string& list, char by) {
    std::vector<std::string> parts;
    if (list.empty() || list == "-") return parts;
    std::size_t start = 0;
    while (start <= list.size()) {
        auto end = list.find(by, start);
        if (end == std::string::npos) end = list.size();
        if (end > start) parts.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

struct Mapping {
    std::uint64_t start = 0, end = 0, offset = 0;
    std::string path;
};

std::vector<Mapping> mappings(const std::string& maps) {
    std::vector<Mapping> out;
    std::istringstream in(maps);
    std::string line;
    while (std::getline(in, line)) {
        unsigned long long start = 0, end = 0, offset = 0;
        char perms[8] = {};
        int path = 0;
        if (std::sscanf(line.c_str(), "%llx-%llx %7s %llx %*s %*s %n", &start, &end, perms, &offset, &path) < 4) continue;
        if (path <= 0 || static_cast<std::size_t>(path) >= line.size() || line[static_cast<std::size_t>(path)] != '/') continue;
        out.push_back({start, end, offset, line.substr(static_cast<std::size_t>(path))});
    }
    return out;
}

const char* signalName(int signal) {
    switch (signal) {
        case 4: return "SIGILL";
        case 5: return "SIGTRAP";
        case 6: return "SIGABRT";
        case 7: return "SIGBUS";
        case 8: return "SIGFPE";
        case 11: return "SIGSEGV";
        case 31: return "SIGSYS";
        default: return "a signal";
    }
}

std::string baseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

}  // namespace

std::optional<CrashNote> parseCrashNote(const std::string& text) {
    if (text.rfind("orvelle-crash-note 1\n", 0) != 0) return std::nullopt;
    CrashNote note;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        auto space = line.find(' ');
        std::string key = line.substr(0, space), value = space == std::string::npos ? "" : line.substr(space + 1);
        if (key == "program") note.program = value.substr(0, 64);
        else if (key == "pid") note.pid = std::atol(value.c_str());
        else if (key == "time") note.time = std::atoll(value.c_str());
        else if (key == "signal") note.signal = std::atoi(value.c_str());
        else if (key == "loading") note.loading = value == "-" ? "" : value.substr(0, 255);
        else if (key == "loaded") note.loaded = split(value, ',');
        else if (key == "frames") {
            for (const std::string& f : split(value, ' ')) {
                if (note.frames.size() >= kMostFrames) break;
                note.frames.push_back(std::strtoull(f.c_str(), nullptr, 16));
            }
        } else if (key == "maps") {
            std::string rest((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            note.maps = rest.substr(0, kLongestMap);
            break;
        }
    }
    if (note.program.empty() || note.signal <= 0) return std::nullopt;
    return note;
}

std::vector<std::string> culprits(const CrashNote& note) {
    if (!note.loading.empty()) return {note.loading};
    return note.loaded;
}

std::string crashReport(const CrashNote& note) {
    std::ostringstream out;
    char when[64] = "?";
    time_t t = static_cast<time_t>(note.time);
    tm utc{};
    if (gmtime_r(&t, &utc)) std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
    out << "Process:  " << note.program << " [" << note.pid << "]\n"
        << "Date:     " << when << "\n"
        << "Signal:   " << note.signal << " (" << signalName(note.signal) << ")\n"
        << (note.reason.empty() ? "" : "Reason:   " + note.reason + "\n")
        << "Loading:  " << (note.loading.empty() ? "-" : note.loading) << "\n"
        << "Tweaks:   ";
    if (note.loaded.empty()) out << "-";
    for (std::size_t i = 0; i < note.loaded.size(); ++i) out << (i ? ", " : "") << note.loaded[i];
    out << "\n\nBacktrace:\n";

    // The libraries of the map, each placed where it was, for their symbols
    // and lines.
    Dwfl_Callbacks callbacks{};
    callbacks.find_elf = dwfl_build_id_find_elf;
    callbacks.find_debuginfo = dwfl_standard_find_debuginfo;
    callbacks.section_address = dwfl_offline_section_address;
    Dwfl* dwfl = dwfl_begin(&callbacks);
    std::vector<Mapping> maps = mappings(note.maps);
    if (dwfl) {
        dwfl_report_begin(dwfl);
        std::map<std::string, bool> reported;
        for (const Mapping& m : maps) {
            if (reported[m.path] || m.offset != 0) continue;
            reported[m.path] = true;
            dwfl_report_elf(dwfl, baseName(m.path).c_str(), m.path.c_str(), -1, m.start, false);
        }
        dwfl_report_end(dwfl, nullptr, nullptr);
    }
    for (std::size_t i = 0; i < note.frames.size(); ++i) {
        std::uint64_t pc = note.frames[i];
        // A return address points after the call: look up the call itself.
        std::uint64_t at = i == 0 || pc == 0 ? pc : pc - 1;
        std::string library = "?";
        for (const Mapping& m : maps)
            if (pc >= m.start && pc < m.end) library = baseName(m.path);
        char line[96];
        std::snprintf(line, sizeof line, "%-3zu %-28s 0x%016" PRIx64, i, library.c_str(), pc);
        out << line;
        if (Dwfl_Module* module = dwfl ? dwfl_addrmodule(dwfl, at) : nullptr) {
            GElf_Off offset = 0;
            GElf_Sym symbol{};
            const char* name = dwfl_module_addrinfo(module, at, &offset, &symbol, nullptr, nullptr, nullptr);
            if (name) {
                int status = 0;
                char* readable = abi::__cxa_demangle(name, nullptr, nullptr, &status);
                out << "  " << (status == 0 && readable ? readable : name) << " + " << offset;
                std::free(readable);
            }
            if (Dwfl_Line* source = dwfl_module_getsrc(module, at)) {
                int lineNumber = 0;
                const char* file = dwfl_lineinfo(source, nullptr, &lineNumber, nullptr, nullptr, nullptr);
                if (file) out << "  (" << baseName(file) << ":" << lineNumber << ")";
            }
        }
        out << "\n";
    }
    if (dwfl) dwfl_end(dwfl);
    return out.str();
}

}  // namespace crash
