// serve: the web simulator of one device or several, until Ctrl-C.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>

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

namespace fs = std::filesystem;

constexpr int kDefaultPort = 8022;
// Past this, a page of them all would show each too small to use.
constexpr std::size_t kMostDevices = 8;

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

// Folder names as the page shows them: the folder's own name, numbered when
// two served devices share it.
std::vector<std::string> pageNames(const std::vector<sim::Device>& devices) {
    std::vector<std::string> names;
    for (const sim::Device& d : devices) {
        std::string name = d.folder().filename().string();
        int same = 0;
        for (const sim::Device& other : devices) {
            if (&other == &d) break;
            same += other.folder().filename() == d.folder().filename();
        }
        names.push_back(same ? name + " (" + std::to_string(same + 1) + ")" : name);
    }
    return names;
}

}  // namespace

int serveVerb(const std::vector<std::string>& words) {
    Args args(words, {"port", "page"}, {});
    if (args.help()) return printUsage("serve");
    if (args.positionals().empty()) throw UsageError("serve needs a DEVICE, or several");
    if (args.positionals().size() > kMostDevices)
        throw UsageError("serve takes at most " + std::to_string(kMostDevices) + " devices at once");
    std::vector<sim::Device> devices;
    devices.reserve(args.positionals().size());
    std::set<fs::path> seen;
    for (const std::string& folder : args.positionals()) {
        sim::Device& device = devices.emplace_back(folder);
        device.requireExists();
        std::error_code ec;
        if (!seen.insert(fs::canonical(device.folder(), ec)).second)
            throw UsageError(folder + " is named twice; serve each device once");
    }
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

    // What this command booted, it shuts down again, whatever ends it.
    std::vector<sim::Device*> bootedHere;
    auto shutDownBooted = [&] {
        for (sim::Device* d : bootedHere)
            if (sim::bootState(*d)) sim::shutdown(*d);
    };
    try {
        for (sim::Device& device : devices) {
            if (sim::bootState(device)) continue;
            std::printf("booting %s\n", device.folder().c_str());
            std::fflush(stdout);
            sim::boot(device, sim::BootOptions{});
            bootedHere.push_back(&device);
        }
    } catch (...) {
        ::close(signals);
        shutDownBooted();
        throw;
    }
    int stoppedBy = 0;
    {
        std::vector<std::unique_ptr<WebDevice>> links;
        std::vector<std::unique_ptr<WebPackages>> packages;
        std::vector<web::ServedDevice> served;
        const std::vector<std::string> names = pageNames(devices);
        for (std::size_t i = 0; i < devices.size(); ++i) {
            links.push_back(std::make_unique<WebDevice>(devices[i]));
            packages.push_back(std::make_unique<WebPackages>(*links.back()));
            served.push_back({names[i], links.back().get(), packages.back().get()});
        }
        web::Server server(served, options);
        if (ns::Result<> started = server.start(); !started) {
            ::close(signals);
            shutDownBooted();
            throw sim::Failure(started.reason());
        }
        std::string folders;
        for (const sim::Device& d : devices) folders += (folders.empty() ? "" : ", ") + d.folder().string();
        std::printf("Serving %s at %s\n", folders.c_str(), server.address().c_str());
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
    shutDownBooted();
    std::printf("stopped serving (%s)\n", strsignal(stoppedBy));
    return 0;
}

}  // namespace cli
