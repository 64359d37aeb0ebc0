// The web simulator under load, as the page and other pages use it:
// - the status answered while the device restarts for a new locale and a
//   page drags a block on it (the live page's largest gap between screen
//   updates, the restart's own left out);
// - the status answered to a new client while 64 pages try to stay live and
//   200 connections sit idle;
// - one device's status and Settings list while another on the same server
//   restarts;
// - a Settings change from the page, from the request to the settings file;
// - a preview of the next restart, from the request to its picture.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

#include "BenchDevice.h"
#include "Percentile.h"
#include "FakeDevice.h"
#include "HttpClient.h"
#include "LivePage.h"
#include "ServedOnLoop.h"
#include "ServedProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::optional<webtest::Response> post(int port, const std::string& path, const std::string& body) {
    return webtest::request(port, "POST", path, {{"Content-Type", "application/json"}}, body);
}

wire::FromPage touch(wire::Touch::Phase phase, double x, double y, std::uint32_t seq) {
    wire::FromPage m;
    m.mutable_touch()->set_phase(phase);
    m.mutable_touch()->set_x(x);
    m.mutable_touch()->set_y(y);
    m.mutable_touch()->set_seq(seq);
    return m;
}

void BM_StatusWhileTheDeviceRestarts(benchmark::State& state) {
    std::optional<bench::BootedDevice> booted;
    try {
        // The panel on: its clock block is what the page drags.
        booted.emplace(sim::Profile{}, R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>enableOVS</key><true/></dict></plist>
)");
    } catch (const std::exception& e) {
        return state.SkipWithError((std::string("cannot boot a device here: ") + e.what()).c_str());
    }
    const std::string path = booted->device().folder().string();
    webtest::ServedProcess served(path);
    std::vector<double> status, gaps;
    for (auto _ : state) {
        webtest::LivePage page(served.port(), 20);
        // The page's screen updates, timed as they come, on a thread of their own.
        std::atomic<bool> reading{true};
        std::vector<Clock::time_point> updates;
        std::thread reader([&] {
            while (reading)
                if (auto m = page.next(); m && m->has_screen()) updates.push_back(Clock::now());
        });
        // Hold the clock, then drag it at 60 moves a second.
        std::uint32_t seq = 0;
        page.send(touch(wire::Touch::DOWN, 80, 100, ++seq));
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        std::atomic<bool> dragging{true};
        std::thread drag([&] {
            for (int i = 0; dragging; ++i) {
                page.send(touch(wire::Touch::MOVE, 80 + (i % 120), 100 + (i % 60), ++seq));
                std::this_thread::sleep_for(std::chrono::microseconds(16667));
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto dragStart = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        // Another page asks for a new locale: the device starts again.
        const auto restartAsked = Clock::now();
        std::thread restart([&] { post(served.port(), "/api/device", R"({"locale":"fr_FR"})"); });
        Clock::time_point restartDone{};
        for (auto until = Clock::now() + std::chrono::seconds(6); Clock::now() < until;) {
            auto start = Clock::now();
            auto answer = webtest::request(served.port(), "GET", "/api/status");
            status.push_back(ms(Clock::now() - start));
            if (!answer || answer->status != 200) {
                state.SkipWithError("GET /api/status went unanswered while the device restarted");
                break;
            }
            if (restartDone == Clock::time_point{} && answer->body.find("\"fr_FR\"") != std::string::npos &&
                answer->body.find("\"springboardPid\":null") == std::string::npos)
                restartDone = Clock::now();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        restart.join();
        dragging = false;
        drag.join();
        page.send(touch(wire::Touch::UP, 80, 100, ++seq));
        reading = false;
        page.connection().close();
        reader.join();
        // Gaps between updates while the block is dragged: from the drag's first
        // moves to the change asked elsewhere (then the device goes, and the new
        // home screen has no touch to follow).
        for (std::size_t i = 1; i < updates.size(); ++i)
            if (updates[i - 1] >= dragStart && updates[i] <= restartAsked)
                gaps.push_back(ms(updates[i] - updates[i - 1]));
        // Back to English for the next round.
        post(served.port(), "/api/device", R"({"locale":"en_US"})");
    }
    state.counters["status_median_ms"] = bench::percentile(status, 0.5);
    state.counters["status_p95_ms"] = bench::percentile(status, 0.95);
    state.counters["status_max_ms"] = bench::percentile(status, 1.0);
    state.counters["largest_gap_ms"] = bench::percentile(gaps, 1.0);
    state.counters["updates"] = static_cast<double>(gaps.size());
}
BENCHMARK(BM_StatusWhileTheDeviceRestarts)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Two devices on one server: the second device's status and Settings list,
// asked while the first starts again for a new locale.
void BM_OtherDeviceWhileOneRestarts(benchmark::State& state) {
    std::optional<bench::BootedDevice> first, second;
    try {
        first.emplace();
        second.emplace();
    } catch (const std::exception& e) {
        return state.SkipWithError((std::string("cannot boot a device here: ") + e.what()).c_str());
    }
    webtest::ServedProcess served({first->device().folder().string(), second->device().folder().string()});
    std::vector<double> status, prefs;
    for (auto _ : state) {
        std::thread restart([&] { post(served.port(), "/d/0/api/device", R"({"locale":"fr_FR"})"); });
        for (auto until = Clock::now() + std::chrono::seconds(5); Clock::now() < until;) {
            auto start = Clock::now();
            auto answer = webtest::request(served.port(), "GET", "/d/1/api/status");
            status.push_back(ms(Clock::now() - start));
            start = Clock::now();
            auto list = webtest::request(served.port(), "GET", "/d/1/api/prefs?page=");
            prefs.push_back(ms(Clock::now() - start));
            if (!answer || answer->status != 200 || !list || list->status != 200) {
                state.SkipWithError("the second device went unanswered while the first restarted");
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        restart.join();
        post(served.port(), "/d/0/api/device", R"({"locale":"en_US"})");
    }
    state.counters["status_median_ms"] = bench::percentile(status, 0.5);
    state.counters["status_p95_ms"] = bench::percentile(status, 0.95);
    state.counters["status_max_ms"] = bench::percentile(status, 1.0);
    state.counters["prefs_median_ms"] = bench::percentile(prefs, 0.5);
    state.counters["prefs_p95_ms"] = bench::percentile(prefs, 0.95);
}
BENCHMARK(BM_OtherDeviceWhileOneRestarts)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StatusWithACrowd(benchmark::State& state) {
    webtest::FakeDevice device;
    webtest::ServedOnLoop served(device);
    // 64 pages that would stay live (the most are let in, the rest refused) and 200 idle keep-alive connections.
    std::vector<std::unique_ptr<webtest::LivePage>> pages;
    for (int i = 0; i < 64; ++i) pages.push_back(std::make_unique<webtest::LivePage>(served.port(), 5));
    std::vector<std::unique_ptr<webtest::Connection>> idle;
    for (int i = 0; i < 200; ++i) {
        auto c = std::make_unique<webtest::Connection>(served.port(), 5);
        if (c->send(webtest::requestText("GET", "/api/status", served.port()))) c->read();
        idle.push_back(std::move(c));
    }
    std::vector<double> took;
    for (auto _ : state) {
        auto start = Clock::now();
        auto answer = webtest::request(served.port(), "GET", "/api/status");
        took.push_back(ms(Clock::now() - start));
        if (!answer || answer->status != 200) {
            state.SkipWithError("a new client's GET /api/status went unanswered");
            break;
        }
    }
    std::size_t live = 0;
    for (const auto& p : pages) live += p->live() ? 1 : 0;
    state.counters["median_ms"] = bench::percentile(took, 0.5);
    state.counters["p95_ms"] = bench::percentile(took, 0.95);
    state.counters["max_ms"] = bench::percentile(took, 1.0);
    state.counters["pages_let_in"] = static_cast<double>(live);
}
BENCHMARK(BM_StatusWithACrowd)->Iterations(200)->Unit(benchmark::kMillisecond)->UseRealTime();

std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void BM_SettingsChangeReachesTheFile(benchmark::State& state) {
    std::optional<bench::BootedDevice> booted;
    try {
        booted.emplace();
    } catch (const std::exception& e) {
        return state.SkipWithError((std::string("cannot boot a device here: ") + e.what()).c_str());
    }
    webtest::ServedProcess served(booted->device().folder().string());
    const auto file = booted->device().settingsFile();
    // The Settings side as the page first opens it: its session starts then.
    auto root = webtest::request(served.port(), "GET", "/api/prefs?page=");
    if (!root || root->status != 200) return state.SkipWithError("the Settings side did not open");
    const std::string page = "OVSPBRootListController";
    std::vector<double> took;
    bool on = false;
    for (auto _ : state) {
        on = !on;
        // By its bytes: two writes within one tick of the kernel's clock share a time.
        const std::string before = contents(file);
        auto start = Clock::now();
        auto answer = post(served.port(), "/api/prefs/set",
                           std::string(R"({"page":")") + page + R"(","key":"useBold","value":)" + (on ? "true" : "false") + "}");
        // The answer comes once the Settings app has written the file.
        took.push_back(ms(Clock::now() - start));
        if (!answer || answer->status != 200) {
            state.SkipWithError(("the change was refused: " + (answer ? answer->body : std::string("no answer"))).c_str());
            break;
        }
        if (contents(file) == before) {
            state.SkipWithError("the settings file did not change");
            break;
        }
    }
    state.counters["median_ms"] = bench::percentile(took, 0.5);
    state.counters["p95_ms"] = bench::percentile(took, 0.95);
}
BENCHMARK(BM_SettingsChangeReachesTheFile)->Iterations(50)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PreviewDrawn(benchmark::State& state) {
    std::optional<bench::BootedDevice> booted;
    try {
        booted.emplace(sim::Profile{}, "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>enableOVS</key><true/>"
                                       "<key>clockStyle</key><integer>2</integer></dict></plist>");
    } catch (const std::exception& e) {
        return state.SkipWithError((std::string("cannot boot a device here: ") + e.what()).c_str());
    }
    webtest::ServedProcess served(booted->device().folder().string());
    std::vector<double> took;
    for (auto _ : state) {
        auto start = Clock::now();
        auto answer = post(served.port(), "/api/preview", "{}");
        took.push_back(ms(Clock::now() - start));
        if (!answer || answer->status != 200) {
            state.SkipWithError(("no preview: " + (answer ? answer->body : std::string("no answer"))).c_str());
            break;
        }
    }
    state.counters["median_ms"] = bench::percentile(took, 0.5);
    state.counters["p95_ms"] = bench::percentile(took, 0.95);
}
BENCHMARK(BM_PreviewDrawn)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
