// Running orvelle-sim from a test, and a device folder of its own per test.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

struct Output {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the program with the arguments; standard output and error apart.
Output run(const std::vector<std::string>& argv);
// orvelle-sim with the arguments.
Output sim(const std::vector<std::string>& args);

// True once `condition` holds, checked every 20 ms until `deadline` has passed.
bool eventually(std::chrono::milliseconds deadline, const std::function<bool()>& condition);

std::string readFile(const std::filesystem::path& file);
// The device log's last `lines` lines, for a failure's message.
std::string logTail(const std::filesystem::path& device, std::size_t lines);
// Lines of the device log that begin with `prefix` after the "Program[pid]: " part.
std::vector<std::string> logLines(const std::filesystem::path& device, const std::string& prefix);

// As if the update notice had been shown and closed: its marker file is made,
// so the notice's modal alert does not take the touches of a test.
void markUpdateNoticeSeen(const std::string& devicePath);

// A device folder in a temporary folder, shut down and removed at the end.
class TestDevice {
public:
    explicit TestDevice(const std::vector<std::string>& createOptions = {});
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;
    const std::string& path() const { return path_; }
    // The pid of each program in `status`, 0 when it is not listed.
    int pidOf(const std::string& program) const;

private:
    std::filesystem::path parent_;
    std::string path_;
};
