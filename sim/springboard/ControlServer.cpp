#include "ControlServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <future>
#include <stdexcept>
#include <thread>

#include "foundation/RunLoop.h"

namespace springboard {

namespace {
constexpr int kReadTimeoutMs = 2000;
constexpr std::size_t kLongestCommand = 4096;
}  // namespace

void ControlServer::start(const std::string& path, std::map<std::string, Command> commands) {
    commands_ = std::move(commands);
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) throw std::runtime_error("control socket path too long: " + path);
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) throw std::runtime_error(std::string("control socket: ") + std::strerror(errno));
    unlink(path.c_str());
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 16) != 0) {
        std::string reason = std::strerror(errno);
        close(listener);
        throw std::runtime_error("cannot listen on " + path + ": " + reason);
    }
    std::thread([this, listener] { serve(listener); }).detach();
}

std::string ControlServer::answer(const std::string& line) {
    auto space = line.find(' ');
    std::string name = line.substr(0, space);
    std::string arguments = space == std::string::npos ? "" : line.substr(space + 1);
    auto it = commands_.find(name);
    if (it == commands_.end()) return "error: unknown command \"" + name + "\"";
    // The object world belongs to the main thread.
    auto reply = std::make_shared<std::promise<std::string>>();
    auto result = reply->get_future();
    const Command& command = it->second;
    ns::RunLoop::main().perform([reply, &command, arguments] {
        try {
            reply->set_value(command(arguments));
        } catch (const std::exception& e) {
            reply->set_value(std::string("error: ") + e.what());
        }
    });
    return result.get();
}

void ControlServer::serve(int listener) {
    while (true) {
        int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            std::fprintf(stderr, "SpringBoard: control socket stopped: %s\n", std::strerror(errno));
            return;
        }
        std::string line;
        char buffer[512];
        bool complete = false;
        while (!complete && line.size() < kLongestCommand) {
            pollfd p{client, POLLIN, 0};
            if (poll(&p, 1, kReadTimeoutMs) != 1) break;
            ssize_t n = read(client, buffer, sizeof buffer);
            if (n <= 0) break;
            line.append(buffer, static_cast<std::size_t>(n));
            complete = line.find('\n') != std::string::npos;
        }
        if (complete) {
            line.erase(line.find('\n'));
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::string reply = answer(line) + "\n";
            (void)send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
        }
        close(client);
    }
}

}  // namespace springboard
