// serve: the web simulator of a device, until Ctrl-C.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Args.h"
#include "Verbs.h"
#include "WebDevice.h"
#include "WebPackages.h"
#include "device/Boot.h"
#include "device/DebPackage.h"
#include "wire/Failure.h"
#include "foundation/RunLoop.h"
#include "web/Server.h"

namespace cli {

namespace {

constexpr int kDefaultPort = 8022;

int portOf(const Args& args) {
    std::string text = args.option("port").value_or(std::to_string(kDefaultPort));
    std::size_t used = 0;
    int port = -1;
    try {
        port = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || port < 0 || port > 65535) throw UsageError("--port \"" + text + "\" is not a port from 0 to 65535");
    return port;
}

}  // namespace

int serveVerb(const std::vector<std::string>& words) {
    Args args(words, {"port", "page"}, {});
    if (args.help()) return printUsage("serve");
    args.expectPositionals(1, "DEVICE");
    sim::Device device(args.positionals()[0]);
    device.requireExists();
    web::ServerOptions options;
    options.port = portOf(args);
    options.pageFolder = args.option("page").value_or("");
    options.maxPackageBytes = sim::PackageLimits{}.packageBytes;

    // Ctrl-C and a stop request arrive as a descriptor of the run loop, which
    // serves the page too; no thread ever takes them as signals.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    int signals = signalfd(-1, &stops, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signals < 0) throw sim::Failure(std::string("serve: cannot watch for Ctrl-C: ") + std::strerror(errno));

    bool bootedHere = false;
    if (!sim::bootState(device)) {
        std::printf("booting %s\n", device.folder().c_str());
        std::fflush(stdout);
        sim::boot(device, sim::BootOptions{});
        bootedHere = true;
    }
    int stoppedBy = 0;
    {
        WebDevice link(device);
        WebPackages packages(link);
        web::Server server(link, options);
        server.servePackages(packages);
        if (ns::Result<> started = server.start(); !started) {
            ::close(signals);
            if (bootedHere) sim::shutdown(device);
            throw sim::Failure(started.reason());
        }
        std::printf("Serving %s at %s\n", device.folder().c_str(), server.address().c_str());
        std::fflush(stdout);
        ns::RunLoop& loop = ns::RunLoop::main();
        auto stopSource = loop.watch(signals, ns::RunLoop::Readable, "stop signals", [&](unsigned) {
            signalfd_siginfo info{};
            if (::read(signals, &info, sizeof info) != sizeof info) return;
            stoppedBy = static_cast<int>(info.ssi_signo);
            loop.stop();
        });
        loop.run();
        server.stop();
    }
    ::close(signals);
    if (bootedHere && sim::bootState(device)) sim::shutdown(device);
    std::printf("stopped serving (%s)\n", strsignal(stoppedBy));
    return 0;
}

}  // namespace cli
