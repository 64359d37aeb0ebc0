#include "session/SettingsSession.h"

#include <fcntl.h>
#include <unistd.h>

#include "device/Boot.h"
#include "device/BuildTree.h"
#include "device/DeviceFiles.h"
#include "device/Keeper.h"
#include "device/Process.h"
#include "device/Sandbox.h"
#include "wire/Failure.h"
#include "wire/Hello.h"
#include "wire/Profile.h"

namespace session {

namespace {

// What the program says on standard error: the last of it is kept, to tell
// why it ended.
constexpr std::size_t kKeptErrors = 4096;

std::string lastLine(const std::string& text) {
    std::size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos) return {};
    std::size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

}  // namespace

SettingsSession::SettingsSession(sim::Device device) : device_(std::move(device)) {}

SettingsSession::~SettingsSession() { stop("the session ended"); }

std::optional<int> SettingsSession::pid() const {
    if (!child_ || !child_->running()) return std::nullopt;
    return child_->pid();
}

bool SettingsSession::stale() const {
    auto state = sim::bootState(device_);
    if ((state ? state->startTime : 0) != bootedAs_) return true;
    auto panes = sim::DeviceFiles(device_).list(device_.preferenceLoaderFolder());
    return panes.ok() && *panes != panesAtStart_;
}

ns::Result<> SettingsSession::start() {
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0) return ns::fail("cannot start the Settings app: no pipe");
    if (pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return ns::fail("cannot start the Settings app: no pipe");
    }
    if (pipe2(err, O_CLOEXEC) != 0) {
        for (int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
        return ns::fail("cannot start the Settings app: no pipe");
    }
    ns::UniqueFd toProgram(in[1]), programIn(in[0]), fromProgram(out[0]), programOut(out[1]), errRead(err[0]),
        programErr(err[1]);
    auto state = sim::bootState(device_);
    sim::LaunchSpec spec;
    spec.command = {(sim::binFolder() / "Preferences").string(), "serve"};
    try {
        spec.environment = sim::deviceEnvironment(sim::readProfile(device_.profileFile()));
        if (state) {
            spec.entry = sim::Entry::Join;
            spec.booted = &*state;
        } else {
            device_.makeLayout();
        }
        spec.stdinFd = programIn.get();
        spec.stdoutFd = programOut.get();
        spec.stderrFd = programErr.get();
        pid_t pid = sim::launch(device_, spec);
        std::weak_ptr<SettingsSession*> alive = self_;
        child_ = std::make_unique<ChildWatch>(pid, [alive](int status) {
            auto s = alive.lock();
            if (!s) return;
            SettingsSession& self = **s;
            std::string said = lastLine(self.errorText_);
            self.stop("the Settings app ended (exit " + std::to_string(sim::exitCodeOf(status)) + ")" +
                      (said.empty() ? "" : ": " + said));
        });
    } catch (const std::exception& e) {
        return ns::fail(e.what());
    }
    bootedAs_ = state ? state->startTime : 0;
    auto panes = sim::DeviceFiles(device_).list(device_.preferenceLoaderFolder());
    panesAtStart_ = panes.ok() ? *panes : std::vector<std::string>{};
    errorText_.clear();
    errorLines_ = supervisor::LineSplitter("Preferences[" + std::to_string(child_->pid()) + "]");
    errors_ = std::move(errRead);
    fcntl(errors_.get(), F_SETFL, O_NONBLOCK);
    errorSource_ = ns::RunLoop::main().watch(errors_.get(), ns::RunLoop::Readable, "the Settings app's errors",
                                             [this](unsigned) { readErrors(); });
    std::weak_ptr<SettingsSession*> alive = self_;
    channel_ = std::make_unique<wire::Channel>(
        std::move(fromProgram), std::move(toProgram),
        wire::ChannelOptions{"the Settings app of " + device_.folder().string(), wire::kLargestAnswer},
        [alive](std::string frame) {
            if (auto s = alive.lock()) (*s)->heard(frame);
        },
        [alive](const std::string& why) {
            if (auto s = alive.lock()) (*s)->stop(why);
        });
    wire::ToSettings hello;
    *hello.mutable_hello() = wire::hello("orvelle-sim");
    channel_->send(hello);
    return {};
}

// What the program says on standard error is the device's log, line by line.
void SettingsSession::readErrors() {
    char buffer[4096];
    ssize_t n;
    std::vector<std::string> lines;
    auto collect = [&](std::string_view, std::string_view text) { lines.emplace_back(text); };
    while ((n = ::read(errors_.get(), buffer, sizeof buffer)) > 0) {
        errorText_.append(buffer, static_cast<std::size_t>(n));
        if (errorText_.size() > kKeptErrors) errorText_.erase(0, errorText_.size() - kKeptErrors);
        errorLines_.feed(std::string_view(buffer, static_cast<std::size_t>(n)), collect);
    }
    if (n == 0) {
        errorLines_.finish(collect);
        errorSource_.reset();
    }
    if (!lines.empty()) sim::logToDevice(device_, errorLines_.writer(), lines);
}

void SettingsSession::stop(const std::string& why) {
    channel_.reset();
    errorSource_.reset();
    errors_.reset();
    child_.reset();  // a program still running is ended
    auto pending = std::move(pending_);
    pending_.clear();
    for (auto& [id, p] : pending) p.then(ns::fail(why));
}

void SettingsSession::request(wire::ToSettings request, Then then, double timeoutSeconds) {
    if (channel_ && stale()) stop("the device changed");
    if (!channel_)
        if (auto started = start(); !started) return then(ns::fail(started.reason()));
    const std::uint32_t id = ++nextId_ == 0 ? ++nextId_ : nextId_;
    request.set_id(id);
    std::weak_ptr<SettingsSession*> alive = self_;
    Pending& p = pending_[id];
    p.then = std::move(then);
    p.deadline = ns::Timer::after(timeoutSeconds, "an answer of the Settings app", [alive, timeoutSeconds] {
        // A program that answers nothing for so long is stuck: it starts anew.
        if (auto s = alive.lock())
            (*s)->stop("the Settings app did not answer within " + std::to_string(static_cast<int>(timeoutSeconds)) + " s");
    });
    channel_->send(request);
}

void SettingsSession::heard(const std::string& frame) {
    auto answer = wire::decode<wire::FromSettings>(frame);
    if (!answer) return stop("the Settings app sent " + answer.reason());
    if (answer->id() == 0) {
        if (answer->has_failure()) return stop("the Settings app refused the session: " + answer->failure().reason());
        if (answer->has_hello())
            if (auto spoken = wire::checkHello(answer->hello()); !spoken) return stop(spoken.reason());
        return;
    }
    auto it = pending_.find(answer->id());
    if (it == pending_.end()) return;
    Pending p = std::move(it->second);
    pending_.erase(it);
    p.then(std::move(*answer));
}

}  // namespace session
