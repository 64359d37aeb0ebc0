// The control socket: tools outside the device send one command line and get
// one reply line. The socket and every open connection are sources of the main
// run loop, so a command runs between the loop's other work, on its thread.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "foundation/RunLoop.h"

namespace springboard {

using Command = std::function<std::string(const std::string& arguments)>;
// A command that keeps its connection: it is handed the socket (non-blocking,
// now the feed's to close) and any bytes the client sent after the line.
using Feed = std::function<void(int fd, std::string after)>;

class ControlServer {
public:
    // Binds the socket (replacing a stale one) and watches it on the current
    // run loop; fails with the path and the reason.
    ControlServer(const std::string& path, std::map<std::string, Command> commands,
                  std::map<std::string, Feed> feeds = {});
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    std::size_t openConnections() const { return clients_.size(); }

private:
    struct Client;
    void accept();
    void readFrom(Client& client);
    void writeTo(Client& client);
    void drop(int fd);
    // The reply to one line: a command's answer, or "error: ..." when it is
    // unknown or fails (a failure of a command never ends the program).
    std::string answer(const std::string& line);

    std::map<std::string, Command> commands_;
    std::map<std::string, Feed> feeds_;
    int listener_ = -1;
    std::unique_ptr<ns::RunLoop::Source> source_;
    std::map<int, std::unique_ptr<Client>> clients_;
};

}  // namespace springboard
