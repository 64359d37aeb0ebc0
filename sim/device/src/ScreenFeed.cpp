#include "device/ScreenFeed.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cerrno>
#include <charconv>
#include <cstring>

namespace sim {

namespace {

template <class T>
bool parse(std::string_view word, T& out) {
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), out);
    return ec == std::errc{} && end == word.data() + word.size();
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < line.size() && out.size() < 8) {
        std::size_t end = line.find(' ', at);
        if (end == std::string_view::npos) end = line.size();
        if (end > at) out.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

}  // namespace

std::string encodeScreenUpdate(const ScreenUpdate& u) {
    std::string out = "screen " + std::to_string(u.serial) + " " + std::to_string(u.width) + " " +
                      std::to_string(u.height) + (u.whole ? " whole " : " part ") + std::to_string(u.pictures.size()) + "\n";
    for (const ScreenPicture& p : u.pictures) {
        out += std::to_string(p.x) + " " + std::to_string(p.y) + " " + std::to_string(p.width) + " " +
               std::to_string(p.height) + " " + std::to_string(p.png.size()) + "\n";
        out += p.png;
    }
    return out;
}

bool ScreenFeedReader::headerLine(std::string& line) {
    auto end = pending_.find('\n');
    if (end == std::string::npos) return false;
    line = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    return true;
}

ns::Result<std::vector<ScreenUpdate>> ScreenFeedReader::take(std::string_view bytes) {
    pending_.append(bytes);
    std::vector<ScreenUpdate> done;
    constexpr std::size_t kLongestLine = 128;
    while (true) {
        if (inPicture_) {
            if (pending_.size() < pictureBytes_) break;
            current_.pictures.back().png = pending_.substr(0, pictureBytes_);
            pending_.erase(0, pictureBytes_);
            inPicture_ = false;
            if (--picturesLeft_ == 0) {
                done.push_back(std::move(current_));
                current_ = {};
                inUpdate_ = false;
            }
            continue;
        }
        std::string line;
        if (!headerLine(line)) {
            if (pending_.size() > kLongestLine) return ns::fail("the screen feed sent a line longer than " + std::to_string(kLongestLine) + " bytes");
            break;
        }
        auto w = words(line);
        if (!inUpdate_) {
            ScreenUpdate u;
            std::size_t count = 0;
            if (w.size() != 6 || w[0] != "screen" || !parse(w[1], u.serial) || !parse(w[2], u.width) ||
                !parse(w[3], u.height) || (w[4] != "whole" && w[4] != "part") || !parse(w[5], count))
                return ns::fail("the screen feed sent \"" + line.substr(0, 60) + "\" where an update begins");
            if (u.width < 1 || u.height < 1 || u.width > kLargestSide || u.height > kLargestSide)
                return ns::fail("the screen feed told of a " + std::to_string(u.width) + "x" + std::to_string(u.height) + " screen");
            if (count > kMostPictures) return ns::fail("the screen feed told of " + std::to_string(count) + " pictures in one update");
            u.whole = w[4] == "whole";
            current_ = std::move(u);
            picturesLeft_ = count;
            updateBytes_ = 0;
            if (count == 0) {
                done.push_back(std::move(current_));
                current_ = {};
            } else {
                inUpdate_ = true;
            }
            continue;
        }
        ScreenPicture p;
        std::size_t size = 0;
        if (w.size() != 5 || !parse(w[0], p.x) || !parse(w[1], p.y) || !parse(w[2], p.width) || !parse(w[3], p.height) ||
            !parse(w[4], size))
            return ns::fail("the screen feed sent \"" + line.substr(0, 60) + "\" where a picture begins");
        if (p.x < 0 || p.y < 0 || p.width < 1 || p.height < 1 || p.x + p.width > current_.width ||
            p.y + p.height > current_.height)
            return ns::fail("the screen feed sent a picture at " + std::to_string(p.x) + "," + std::to_string(p.y) + " of " +
                            std::to_string(p.width) + "x" + std::to_string(p.height) + ", not on its " +
                            std::to_string(current_.width) + "x" + std::to_string(current_.height) + " screen");
        updateBytes_ += size;
        if (updateBytes_ > kLargestUpdate) return ns::fail("the screen feed sent an update over " + std::to_string(kLargestUpdate >> 20) + " MB");
        current_.pictures.push_back(std::move(p));
        pictureBytes_ = size;
        inPicture_ = true;
    }
    return done;
}

ns::Result<UniqueFd> openScreenFeed(const Device& device) {
    // As askSpringBoard does: through a descriptor of the socket itself, never a link.
    auto socketFile = DeviceFiles(device).openSocket(device.controlSocket());
    if (!socketFile) return ns::fail(socketFile.reason());
    std::string path = "/proc/self/fd/" + std::to_string(socketFile->get());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    UniqueFd sock(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!sock) return ns::fail(std::string("cannot make a socket: ") + std::strerror(errno));
    // A local socket connects at once or not at all.
    if (connect(sock.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return ns::fail("SpringBoard of " + device.folder().string() + " does not listen: " + std::strerror(errno));
    std::string line = std::string(kScreenFeedCommand) + "\n";
    if (send(sock.get(), line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size()))
        return ns::fail("cannot ask SpringBoard of " + device.folder().string() + " for its screen: " + std::strerror(errno));
    int flags = fcntl(sock.get(), F_GETFL);
    fcntl(sock.get(), F_SETFL, flags | O_NONBLOCK);
    return sock;
}

}  // namespace sim
