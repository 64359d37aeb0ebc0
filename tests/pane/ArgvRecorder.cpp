// Stands in for a system program inside a test sandbox: appends the path it
// was started as, its environment size and its argument vector to /tmp/argv.log.
#include <fcntl.h>
#include <sys/auxv.h>
#include <unistd.h>

#include <string>

extern char** environ;

int main(int argc, char** argv) {
    std::string line = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
    int env = 0;
    while (environ && environ[env]) ++env;
    line += "|env=" + std::to_string(env);
    for (int i = 0; i < argc; ++i) line += std::string("|") + argv[i];
    line += "\n";
    int fd = open("/tmp/argv.log", O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0 || write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 1;
    close(fd);
    return 0;
}
