#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace torvane::test {

// A program run by a test, its standard output and error going to files, standard input closed.
// A process still running when the object goes is killed.
class ChildProcess final {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Start(const std::string& program, const std::vector<std::string>& args, const std::string& outPath,
               const std::string& errPath);
    // The exit status (128 + the signal's number after a signal), or nothing while it still runs.
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    void Signal(int signalNumber);
    bool Running() const { return m_pid > 0 && !m_status; }

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

// Waits until the file holds `text`; false after the time-out.
bool WaitForText(const std::string& path, const std::string& text, std::chrono::milliseconds timeout);

} // namespace torvane::test
