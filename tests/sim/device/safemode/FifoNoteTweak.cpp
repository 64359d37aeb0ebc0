// A tweak that puts a FIFO where its home screen's crash note goes, then ends
// it: whoever reads the note after the end must not wait on the FIFO.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace {

__attribute__((constructor)) void fifoAtTheNote() {
    std::string note = "/var/mobile/Library/Logs/CrashReporter/SpringBoard-" + std::to_string(getpid()) + ".note";
    mkdir("/var/mobile/Library/Logs", 0755);
    mkdir("/var/mobile/Library/Logs/CrashReporter", 0755);
    unlink(note.c_str());
    mkfifo(note.c_str(), 0644);
    _exit(1);
}

}  // namespace
