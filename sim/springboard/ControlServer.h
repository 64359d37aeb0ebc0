// The control socket: tools outside the device send one command line and get
// one reply line. Commands run on the main run loop, between its other work.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace springboard {

using Command = std::function<std::string(const std::string& arguments)>;

class ControlServer {
public:
    // Binds the socket (replacing a stale one) and serves from a thread of its
    // own; fails with the path and the reason.
    void start(const std::string& path, std::map<std::string, Command> commands);

private:
    void serve(int listener);
    std::string answer(const std::string& line);
    std::map<std::string, Command> commands_;
};

}  // namespace springboard
