// The web simulator's server answering GET /api/status from a fake device, as
// a page asks it: on one kept-alive connection, and on a fresh connection per
// request. The server runs on its run loop's thread, the client on this one.
#include <benchmark/benchmark.h>

#include "FakeDevice.h"
#include "HttpClient.h"
#include "ServedOnLoop.h"

namespace {

void BM_WebStatusKeptAlive(benchmark::State& state) {
    webtest::FakeDevice device;
    webtest::ServedOnLoop served(device);
    webtest::Connection connection(served.port());
    const std::string request = webtest::requestText("GET", "/api/status", served.port());
    for (auto _ : state) {
        std::optional<webtest::Response> answer;
        if (connection.send(request)) answer = connection.read();
        if (!answer || answer->status != 200) {
            state.SkipWithError("GET /api/status went unanswered on a kept-alive connection");
            break;
        }
    }
    state.counters["requests/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WebStatusKeptAlive)->UseRealTime();

void BM_WebStatusFreshConnection(benchmark::State& state) {
    webtest::FakeDevice device;
    webtest::ServedOnLoop served(device);
    for (auto _ : state) {
        auto answer = webtest::request(served.port(), "GET", "/api/status");
        if (!answer || answer->status != 200) {
            state.SkipWithError("GET /api/status went unanswered on a fresh connection");
            break;
        }
    }
    state.counters["requests/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WebStatusFreshConnection)->UseRealTime();

}  // namespace
