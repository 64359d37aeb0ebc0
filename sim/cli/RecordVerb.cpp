// record: the live screen of a booted device, as SpringBoard pushes it, into
// a video file or an animated image at the times it changed.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

#include "Args.h"
#include "Verbs.h"
#include "device/Boot.h"
#include "foundation/Conversions.h"
#include "foundation/RunLoop.h"
#include "foundation/Timer.h"
#include "record/Recorder.h"
#include "record/ScreenCanvas.h"
#include "session/SpringBoardSession.h"
#include "wire/Failure.h"
#include "wire/page.pb.h"

namespace cli {

namespace {

namespace fs = std::filesystem;

constexpr double kLongestRecording = 3600;
// What a booted device may take to send its first picture.
constexpr double kFirstPictureWait = 30;

double secondsOf(const std::optional<std::string>& text) {
    if (!text) return 10;
    auto value = ns::parseFiniteNumber(*text);
    if (!value || *value <= 0 || *value > kLongestRecording)
        throw UsageError("--seconds \"" + *text + "\" is not a number of seconds above 0 and at most 3600");
    return *value;
}

}  // namespace

int recordVerb(const std::vector<std::string>& words) {
    Args args(words, {"seconds"}, {});
    if (args.help()) return printUsage("record");
    args.expectPositionals(2, "DEVICE FILE");
    sim::Device device(args.positionals()[0]);
    device.requireExists();
    const std::string file = args.positionals()[1];
    const double seconds = secondsOf(args.option("seconds"));
    auto format = record::formatFor(file);
    if (!format) throw UsageError(format.reason());
    const fs::path folder = fs::absolute(file).parent_path();
    std::error_code ec;
    if (!fs::is_directory(folder, ec) || ::access(folder.c_str(), W_OK) != 0)
        throw sim::Failure("cannot record to " + file + ": " + folder.string() + " is not a folder this user can write");
    if (fs::is_directory(file, ec)) throw sim::Failure("cannot record to " + file + ": it is a folder");
    if (!sim::bootState(device)) throw sim::Failure(device.folder().string() + " is not booted; boot it first");

    // Ctrl-C ends the recording early and keeps what was recorded.
    sigset_t stops;
    sigemptyset(&stops);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, s);
    sigprocmask(SIG_BLOCK, &stops, nullptr);
    int signals = signalfd(-1, &stops, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signals < 0) throw sim::Failure(std::string("record: cannot watch for Ctrl-C: ") + std::strerror(errno));

    // The recording's time starts with the first picture, however long the
    // device took to send it: N seconds of the screen, its first shown at 0.
    using Clock = std::chrono::steady_clock;
    std::optional<Clock::time_point> start;
    auto elapsed = [&] { return start ? std::chrono::duration<double>(Clock::now() - *start).count() : 0.0; };
    ns::RunLoop& loop = ns::RunLoop::main();
    record::ScreenCanvas canvas;
    std::unique_ptr<record::Recorder> recorder;
    std::string failure, endedEarly;
    std::size_t updates = 0;
    std::optional<ns::Timer> end;
    {
        session::SpringBoardSession springBoard(device);
        session::SpringBoardSession::Watcher watcher;
        watcher.screen = [&](session::Screen screen) {
            if (!failure.empty()) return;
            wire::ToPage page;
            if (!page.ParseFromString(screen.message) || !page.has_screen()) return;
            if (!start) {
                start = Clock::now();
                end = ns::Timer::after(seconds, "the recording's end", [&] { loop.stop(); });
            }
            const double at = elapsed();
            if (auto applied = canvas.apply(page.screen()); !applied) {
                failure = "the screen's update " + std::to_string(screen.serial) + ": " + applied.reason();
                return loop.stop();
            }
            ++updates;
            if (!recorder) {
                auto opened = record::Recorder::open(file, canvas.width(), canvas.height(), *format);
                if (!opened) {
                    failure = opened.reason();
                    return loop.stop();
                }
                recorder = std::move(*opened);
            }
            if (auto added = recorder->add(canvas.rgba(), at); !added) {
                failure = added.reason();
                loop.stop();
            }
        };
        watcher.state = [&](const wire::DeviceState& state) {
            // What was recorded until then is kept, as with Ctrl-C.
            if (state.state() == "down") {
                endedEarly = state.why();
                loop.stop();
            }
        };
        springBoard.watch(std::move(watcher));
        // A device that sends no picture at all is not waited for without end.
        ns::Timer silent = ns::Timer::after(kFirstPictureWait, "the first picture", [&] {
            if (!start) loop.stop();
        });
        auto stopSource = loop.watch(signals, ns::RunLoop::Readable, "stop signals", [&](unsigned) {
            signalfd_siginfo info{};
            if (::read(signals, &info, sizeof info) != sizeof info) return;
            endedEarly = strsignal(static_cast<int>(info.ssi_signo));
            loop.stop();
        });
        loop.run();
        springBoard.unwatch();
        end.reset();
    }
    ::close(signals);
    const double took = elapsed();
    if (!failure.empty()) throw sim::Failure("cannot record " + device.folder().string() + ": " + failure);
    if (!recorder) throw sim::Failure("cannot record " + device.folder().string() + ": no screen came from it");
    if (auto finished = recorder->finish(took); !finished) throw sim::Failure(finished.reason());
    std::printf("recorded %.1f s of %s (%zu updates, %zu frames) to %s%s\n", took, device.folder().c_str(), updates,
                recorder->frames(), file.c_str(), endedEarly.empty() ? "" : ("; ended early: " + endedEarly).c_str());
    return 0;
}

}  // namespace cli
