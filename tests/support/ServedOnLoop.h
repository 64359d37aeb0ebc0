// A web server on a fresh process state whose run loop runs on a thread of
// its own, so a test can be the client on its thread. What touches the server
// or the device while the loop runs goes through onLoop().
#pragma once

#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>
#include <type_traits>
#include <vector>

#include "foundation/Process.h"
#include "web/Server.h"

namespace webtest {

class ServedOnLoop {
public:
    ServedOnLoop(web::DeviceLink& device, web::ServerOptions options = {})
        : ServedOnLoop({web::ServedDevice{"device", &device}}, std::move(options)) {}
    ServedOnLoop(std::vector<web::ServedDevice> devices, web::ServerOptions options = {})
        : server_(std::move(devices), std::move(options)) {
        ns::Result<> started = server_.start();
        if (!started) throw std::runtime_error(started.reason());
        loop_ = std::thread([this] { scope_.process().runLoop().run(); });
    }
    ~ServedOnLoop() { halt(); }

    // Runs `f` on the loop's thread and answers what it answered.
    template <class F>
    auto onLoop(F f) -> std::invoke_result_t<F> {
        std::packaged_task<std::invoke_result_t<F>()> task(std::move(f));
        auto result = task.get_future();
        scope_.process().runLoop().perform([&task] { task(); });
        return result.get();
    }

    // Waits (at most 10 s) for `probe`, run on the loop, to answer true.
    template <class F>
    bool eventually(F probe) {
        for (int i = 0; i < 400; ++i) {
            if (onLoop(probe)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        return false;
    }

    // Stops the loop, then the server on this thread.
    void halt() {
        if (loop_.joinable()) {
            scope_.process().runLoop().stop();
            loop_.join();
        }
        server_.stop();
    }

    web::Server& server() { return server_; }
    int port() const { return server_.port(); }

private:
    ns::ProcessScope scope_;  // first made, last gone
    web::Server server_;
    std::thread loop_;
};

}  // namespace webtest
