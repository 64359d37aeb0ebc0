// A small HTTP/1.1 client on raw sockets, for tests and benchmarks of the web
// simulator's server: whole requests, and the pieces a library client would
// hide (a head sent a line at a time, a body without a length, a stream read
// as it comes).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace webtest {

using Headers = std::vector<std::pair<std::string, std::string>>;

struct Response {
    int status = 0;
    Headers headers;
    std::string body;
    // The first value of a header (any case); empty when there is none.
    std::string header(std::string_view name) const;
};

// "METHOD PATH HTTP/1.1" with a Host naming 127.0.0.1:port unless `headers`
// has one, and Content-Length when there is a body.
std::string requestText(const std::string& method, const std::string& path, int port, const Headers& headers = {},
                        const std::string& body = {});

// One connection to 127.0.0.1:port; every wait on it is bounded.
class Connection {
public:
    explicit Connection(int port, double waitSeconds = 10, int receiveBuffer = 0);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool connected() const { return fd_ >= 0; }
    // The bound on every later wait.
    void setWait(double seconds);
    int fd() const { return fd_; }
    // All of `bytes`; false once the server no longer takes them.
    bool send(std::string_view bytes);
    // The next whole response; nothing when the connection ends or the wait runs out first.
    std::optional<Response> read();
    // A response's status and headers alone, its body left to readChunk().
    std::optional<Response> readHead();
    // The next piece of a chunked body, decoded; nothing at its end, or when
    // the connection ends or the wait runs out.
    std::optional<std::string> readChunk();
    // Exactly `n` more bytes; nothing when the connection ends or the wait runs out first.
    std::optional<std::string> readBytes(std::size_t n);
    // Waits (at most the bound) for the server to end the connection; true
    // when it did. Bytes it sent first are kept in received().
    bool endedByServer();
    // Whether the server has ended the connection already, without waiting.
    bool endedNow();
    const std::string& received() const { return buffer_; }
    void close();

private:
    bool fill();  // more bytes into buffer_; false at the end or the bound
    bool readLine(std::string& line);
    bool readExactly(std::size_t n, std::string& out);

    int fd_ = -1;
    std::string buffer_;
};

// One request on a fresh connection, closed after the answer.
std::optional<Response> request(int port, const std::string& method, const std::string& path, const Headers& headers = {},
                                const std::string& body = {});

}  // namespace webtest
