// Package changes that survive a kill: an upgrade stopped at every step, and
// the command killed while each maintainer script runs, leave either version
// whole once the next package command has run, and a removal then leaves
// nothing. A script that never ends is stopped at its limit with the lock
// free; one that writes without end costs the tool only the tail it keeps.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "Command.h"
#include "InProcess.h"
#include "PackageWriter.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Kind = PackageMember::Kind;

const std::string kName = "com.example.journal";
const std::string kShared = "Library/Journal/shared.txt";
const std::string kOldOnly = "Library/Journal/Old/old-only.txt";
const std::string kNewOnly = "Library/Journal/New/new-only.txt";

// Version 1.0 and 2.0: a file both have with other bytes, and one each alone
// in a folder of its own. `scripts` go with either.
std::string version(const std::string& v, const std::map<std::string, std::string>& scripts = {}) {
    bool first = v == "1.0";
    std::vector<PackageMember> members{{"./Library/Journal/", Kind::Folder, 0755},
                                       {"./" + kShared, Kind::File, 0644, first ? "one" : "two"}};
    if (first)
        members.push_back({"./" + kOldOnly, Kind::File, 0644, "old"});
    else
        members.push_back({"./" + kNewOnly, Kind::File, 0644, "new"});
    return makePackage(controlText(kName, v, machineArchitecture(), "Name: Journal\n"), members, scripts);
}

// Why the device does not hold `v` whole (its records and its files), "" when it does.
std::string notWhole(const fs::path& root, const std::string& v) {
    auto has = [&](const std::string& path) { return fs::exists(fs::symlink_status(root / path)); };
    std::string why;
    std::string records = sim({"packages", root.string()}).out;
    if (records.find(kName + " " + v + " Journal\n") == std::string::npos) why += "records: " + records + "; ";
    if (!has(kShared) || readFile(root / kShared) != (v == "1.0" ? "one" : "two")) why += "shared file; ";
    if (has(kOldOnly) != (v == "1.0")) why += "the old file; ";
    if (has(kNewOnly) != (v == "2.0")) why += "the new file; ";
    if (has("Library/Journal/New") != (v == "2.0")) why += "the new folder; ";
    if (fs::exists(root / "host/dpkg/journal")) why += "a journal left; ";
    return why;
}

// Nothing of either version is left, in the files or the records.
std::string leftAfterRemove(const fs::path& root) {
    std::string left;
    for (const std::string& path : {kShared, kOldOnly, kNewOnly, std::string("Library/Journal")})
        if (fs::exists(fs::symlink_status(root / path))) left += path + "; ";
    for (const char* record : {"list", "prerm", "postrm", "preinst", "postinst"})
        if (fs::exists(root / "host/dpkg/info" / (kName + "." + record))) left += std::string(record) + " record; ";
    if (sim({"packages", root.string()}).out.find(kName) != std::string::npos) left += "its status; ";
    return left;
}

TEST(PackageJournal, AnUpgradeStoppedAtEveryStepLeavesOneVersionWholeAndRemoveLeavesNothing) {
    TestDevice device;
    const fs::path root = device.path();
    const std::map<std::string, std::string> scripts{{"preinst", "#!/bin/sh\nexit 0\n"},
                                                      {"postinst", "#!/bin/sh\nexit 0\n"},
                                                      {"prerm", "#!/bin/sh\nexit 0\n"},
                                                      {"postrm", "#!/bin/sh\nexit 0\n"}};
    const std::string v1 = version("1.0", scripts), v2 = version("2.0", scripts);
    const std::string v1File = writePackage(root.parent_path(), "v1.deb", v1);
    std::set<std::string> endedAs;
    int stop = 1;
    for (; stop < 100; ++stop) {
        ASSERT_EQ(sim({"install", device.path(), v1File}).exitCode, 0);
        bool killed = upgradeKilledAtStep(device.path(), v2, stop);
        // The next command finishes or rolls back: one version, whole.
        std::string asOne = notWhole(root, "1.0"), asTwo = notWhole(root, "2.0");
        EXPECT_TRUE(asOne.empty() || asTwo.empty()) << "stopped at step " << stop << ": as 1.0: " << asOne
                                                    << " as 2.0: " << asTwo;
        endedAs.insert(asOne.empty() ? "1.0" : "2.0");
        Output removed = sim({"remove", device.path(), kName});
        EXPECT_EQ(removed.exitCode, 0) << "step " << stop << ": " << removed.err;
        EXPECT_EQ(leftAfterRemove(root), "") << "stopped at step " << stop;
        if (!killed) break;
    }
    EXPECT_GT(stop, 10) << "every step of an upgrade was tried";
    EXPECT_EQ(endedAs, (std::set<std::string>{"1.0", "2.0"})) << "rolled back before the commit, finished after";
}

// Scripts that say where they are, then wait to be killed there.
std::string waitingScript(const std::string& when) {
    return "#!/bin/sh\nif [ \"$1\" = \"" + when + "\" ]; then touch /var/mobile/at-$DPKG_MAINTSCRIPT_NAME; sleep 1000; fi\n";
}

TEST(PackageJournal, AnInstallKilledWhileEachScriptOfAnUpgradeRunsLeavesTheOldVersionWhole) {
    for (const char* script : {"prerm", "preinst", "postrm", "postinst"}) {
        SCOPED_TRACE(script);
        TestDevice device;
        const fs::path root = device.path();
        bool old = std::string(script) == "prerm" || std::string(script) == "postrm";
        // The installed version's prerm and postrm run with "upgrade"; the new one's preinst with "upgrade", postinst with "configure".
        std::map<std::string, std::string> oldScripts, newScripts;
        (old ? oldScripts : newScripts)[script] = waitingScript(std::string(script) == "postinst" ? "configure" : "upgrade");
        ASSERT_EQ(sim({"install", device.path(), writePackage(root.parent_path(), "v1.deb", version("1.0", oldScripts))}).exitCode, 0);
        std::string v2 = writePackage(root.parent_path(), "v2.deb", version("2.0", newScripts));
        pid_t tool = fork();
        if (tool == 0) {
            execl(ORVELLE_SIM, ORVELLE_SIM, "install", device.path().c_str(), v2.c_str(), nullptr);
            _exit(127);
        }
        bool reached = eventually(20000ms, [&] { return fs::exists(root / "var/mobile" / ("at-" + std::string(script))); });
        kill(tool, SIGKILL);
        waitpid(tool, nullptr, 0);
        ASSERT_TRUE(reached);
        EXPECT_EQ(notWhole(root, "1.0"), "");
        Output removed = sim({"remove", device.path(), kName});
        EXPECT_EQ(removed.exitCode, 0) << removed.err;
        EXPECT_EQ(leftAfterRemove(root), "");
    }
}

TEST(PackageJournal, AScriptThatNeverEndsIsStoppedAtItsLimitWithEverythingItStartedAndTheLockIsFree) {
    TestDevice device;
    const fs::path root = device.path();
    setScriptLimit(device.path(), 2);
    ASSERT_EQ(sim({"boot", device.path()}).exitCode, 0);
    std::string hang = writePackage(
        root.parent_path(), "hang.deb",
        makePackage(controlText("com.example.hang", "1.0", machineArchitecture()),
                    {{"./Library/Hang/file", Kind::File, 0644, "x"}},
                    {{"postinst", "#!/bin/sh\nsleep 1000 &\nwhile :; do :; done\n"}}));
    auto started = std::chrono::steady_clock::now();
    Output refused = sim({"install", device.path(), hang});
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err,
              "orvelle-sim install: cannot install hang.deb: its postinst of com.example.hang did not end within 2 s; "
              "stopped\n");
    EXPECT_LT(took, 120s) << "stopped at its limit, not left to run";
    EXPECT_FALSE(fs::exists(root / "Library/Hang")) << "rolled back";
    Output left = sim({"exec", device.path(), "--", "/bin/sh", "-c", "pgrep -x sleep || true"});
    EXPECT_EQ(left.out, "") << "what the script started went with it";

    started = std::chrono::steady_clock::now();
    Output next = sim({"install", device.path(), writePackage(root.parent_path(), "v1.deb", version("1.0"))});
    EXPECT_EQ(next.exitCode, 0) << next.err;
    EXPECT_LT(std::chrono::steady_clock::now() - started, 120s) << "the lock is free";
}

// What the tool holds: its resident memory and the files it keeps open.
std::uint64_t heldBytes(pid_t pid) {
    std::uint64_t bytes = 0;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) bytes += std::stoull(line.substr(6)) * 1024;
    std::error_code ec;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        struct stat st {};
        if (stat(fd.path().c_str(), &st) == 0 && S_ISREG(st.st_mode)) bytes += static_cast<std::uint64_t>(st.st_size);
    }
    return bytes;
}

// The tool's memory and held files while a package's postinst runs (it
// touches `marker` once it has said all it says), and what the tool printed.
struct ScriptRun {
    std::uint64_t held = 0;
    std::string err;
};
ScriptRun installWhileHeld(const TestDevice& device, const std::string& package, const fs::path& marker) {
    ScriptRun run;
    int out[2];
    if (pipe(out) != 0) return run;
    pid_t tool = fork();
    if (tool == 0) {
        dup2(out[1], 2);
        execl(ORVELLE_SIM, ORVELLE_SIM, "install", device.path().c_str(), package.c_str(), nullptr);
        _exit(127);
    }
    close(out[1]);
    EXPECT_TRUE(eventually(60000ms, [&] { return fs::exists(marker); })) << marker;
    run.held = heldBytes(tool);
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) run.err.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(tool, &status, 0);
    return run;
}

TEST(PackageJournal, AScriptThatWritesWithoutEndCostsTheToolOnlyTheTailItKeeps) {
    TestDevice device;
    const fs::path root = device.path();
    auto scripted = [&](const std::string& name, const std::string& postinst) {
        return writePackage(root.parent_path(), name + ".deb",
                            makePackage(controlText("com.example." + name, "1.0", machineArchitecture()),
                                        {{"./Library/" + name + "/file", Kind::File, 0644, "x"}},
                                        {{"postinst", postinst}}));
    };
    // The same install with a script that says nothing: what the tool holds anyway
    // (more under the address sanitizer than without it).
    ScriptRun quiet = installWhileHeld(
        device, scripted("quiet", "#!/bin/sh\ntouch /var/mobile/quiet\nsleep 2\n"), root / "var/mobile/quiet");
    ScriptRun loud = installWhileHeld(
        device,
        scripted("loud", "#!/bin/sh\nhead -c 300000000 /dev/zero\necho\necho last words >&2\n"
                         "touch /var/mobile/written\nsleep 2\nexit 4\n"),
        root / "var/mobile/written");
    EXPECT_LT(loud.held, quiet.held + 32u * 1024 * 1024) << "300 MB of output; " << quiet.held << " bytes held without";
    EXPECT_EQ(loud.err, "orvelle-sim install: cannot install loud.deb: its postinst failed (exit 4): last words\n");
}

// Packages as large as their control may be: their records pass the bound a
// single record of the device has.
TEST(PackageJournal, NineteenLargePackagesLeaveEveryPackageCommandWorking) {
    TestDevice device;
    const fs::path root = device.path();
    std::string description = "Description: a package with much to say\n";
    while (description.size() < 870 * 1024) description += " " + std::string(78, 'w') + "\n";
    std::string expected = "com.tovik.orvelle 1.4.0 Orvelle\n";
    for (int i = 0; i < 19; ++i) {
        std::string name = "com.example.large" + std::to_string(10 + i);
        std::string file = writePackage(
            root.parent_path(), name + ".deb",
            makePackage(controlText(name, "1.0", machineArchitecture(), description),
                        {{"./Library/Large/" + name, Kind::File, 0644, "x"}}));
        Output installed = sim({"install", device.path(), file});
        ASSERT_EQ(installed.exitCode, 0) << name << ": " << installed.err;
        expected.insert(0, name + " 1.0\n");
    }
    EXPECT_GT(fs::file_size(root / "host/dpkg/status"), 16u * 1024 * 1024);
    Output listed = sim({"packages", device.path()});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(std::count(listed.out.begin(), listed.out.end(), '\n'), 20) << listed.out.substr(0, 400);
    Output removed = sim({"remove", device.path(), "com.example.large20"});
    EXPECT_EQ(removed.exitCode, 0) << removed.err;
    EXPECT_FALSE(fs::exists(root / "Library/Large/com.example.large20"));
}

}  // namespace
