#include "crash/CrashNote.h"

#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

#include "foundation/FileReplace.h"
#include "wire/Frame.h"
#include "wire/keeper.pb.h"

namespace crash {

namespace {

// Everything the handler needs, made before it may run: it only copies
// bytes and makes system calls.
char gFolder[512];
char gProgram[64];
char gLoading[256];
char gLoaded[4096];
std::size_t gLoadedLength = 0;

const int kSignals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGSYS, SIGTRAP};

void put(int fd, const char* text) {
    std::size_t n = std::strlen(text);
    while (n > 0) {
        ssize_t w = write(fd, text, n);
        if (w <= 0) return;
        text += w;
        n -= static_cast<std::size_t>(w);
    }
}

// Decimal and hexadecimal without the C library's formatting.
void putNumber(int fd, unsigned long long value, unsigned base) {
    char digits[32];
    int i = 31;
    digits[i] = 0;
    do {
        unsigned d = static_cast<unsigned>(value % base);
        digits[--i] = static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10);
        value /= base;
    } while (value && i > 0);
    if (base == 16) put(fd, "0x");
    put(fd, digits + i);
}

void copyInto(char* to, std::size_t size, const std::string& from) {
    std::size_t n = std::min(size - 1, from.size());
    std::memcpy(to, from.data(), n);
    to[n] = 0;
}

void onCrash(int signal) {
    // The note once; a crash inside the handler ends the process at once.
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    for (int s : kSignals) sigaction(s, &byDefault, nullptr);

    char path[640];
    std::size_t at = 0;
    auto append = [&](const char* text) {
        for (; *text && at + 1 < sizeof path; ++text) path[at++] = *text;
        path[at] = 0;
    };
    char pid[24];
    {
        unsigned long long p = static_cast<unsigned long long>(getpid());
        int i = 23;
        pid[i] = 0;
        do {
            pid[--i] = static_cast<char>('0' + p % 10);
            p /= 10;
        } while (p && i > 0);
        std::memmove(pid, pid + i, 24 - static_cast<std::size_t>(i));
    }
    append(gFolder);
    append("/");
    append(gProgram);
    append("-");
    append(pid);
    append(".note");
    // Never waits on a FIFO put in the note's place: a crashing program must end.
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0644);
    struct stat st {};
    if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        close(fd);
        fd = -1;
    }
    if (fd >= 0) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        put(fd, "orvelle-crash-note 1\nprogram ");
        put(fd, gProgram);
        put(fd, "\npid ");
        put(fd, pid);
        put(fd, "\ntime ");
        putNumber(fd, static_cast<unsigned long long>(now.tv_sec), 10);
        put(fd, "\nsignal ");
        putNumber(fd, static_cast<unsigned>(signal), 10);
        put(fd, "\nloading ");
        put(fd, gLoading[0] ? gLoading : "-");
        put(fd, "\nloaded ");
        put(fd, gLoadedLength ? gLoaded : "-");
        put(fd, "\nframes");
        void* frames[64];
        int n = backtrace(frames, 64);
        for (int i = 0; i < n; ++i) {
            put(fd, " ");
            putNumber(fd, reinterpret_cast<unsigned long long>(frames[i]), 16);
        }
        put(fd, "\nmaps\n");
        int maps = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
        if (maps >= 0) {
            char buffer[4096];
            ssize_t r;
            while ((r = read(maps, buffer, sizeof buffer)) > 0)
                if (write(fd, buffer, static_cast<std::size_t>(r)) != r) break;
            close(maps);
        }
        close(fd);
    }
    raise(signal);  // the default action now: the process ends by the signal
}

}  // namespace

void installCrashNote(const std::string& program, const std::string& folder) {
    copyInto(gProgram, sizeof gProgram, program);
    copyInto(gFolder, sizeof gFolder, folder);
    // Folders on the way, made now: the handler only opens the file.
    for (std::size_t i = 1; i <= folder.size(); ++i)
        if (i == folder.size() || folder[i] == '/') mkdir(folder.substr(0, i).c_str(), 0755);
    // The unwinder loads itself on first use: not inside the handler.
    void* warm[1];
    backtrace(warm, 1);
    // The handler runs on a stack of its own, so a stack overflow is noted too.
    static char alternate[64 * 1024];
    stack_t stack{};
    stack.ss_sp = alternate;
    stack.ss_size = sizeof alternate;
    sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_handler = onCrash;
    action.sa_flags = SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int s : kSignals) sigaction(s, &action, nullptr);
}

namespace {

std::string gProgressFile;
wire::LoaderProgress gProgress;

void writeProgress() {
    if (gProgressFile.empty()) return;
    gProgress.set_version(wire::kVersion);
    gProgress.set_program(gProgram);
    gProgress.set_pid(static_cast<int>(getpid()));
    (void)ns::replaceFile(gProgressFile, gProgress.SerializeAsString());
}

}  // namespace

void keepLoaderProgress(const std::string& file) {
    gProgressFile = file;
    gProgress.Clear();
    writeProgress();
}

void noteLoading(const std::string& library) {
    copyInto(gLoading, sizeof gLoading, library);
    gProgress.set_loading(library);
    writeProgress();
}

void noteLoaded(const std::string& library) {
    gProgress.clear_loading();
    gProgress.add_loaded(library);
    writeProgress();
    if (gLoadedLength + library.size() + 2 >= sizeof gLoaded) return;
    if (gLoadedLength) gLoaded[gLoadedLength++] = ',';
    std::memcpy(gLoaded + gLoadedLength, library.data(), library.size());
    gLoadedLength += library.size();
    gLoaded[gLoadedLength] = 0;
    gLoading[0] = 0;
}

}  // namespace crash
