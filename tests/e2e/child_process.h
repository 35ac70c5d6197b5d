// A program run as a child process, with its standard input at hand and its
// standard output and error collected as they come.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

class ChildProcess {
  public:
    // Starts argv[0] with the arguments in `directory`.
    ChildProcess(const std::vector<std::string>& argv, const std::string& directory);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    void Send(const std::string& text);
    void CloseInput();
    void Signal(int signal);

    std::string Output() const;
    std::string Errors() const;
    // Waits until pred(output) holds; false when the time ran out.
    bool WaitForOutput(const std::function<bool(const std::string&)>& pred,
                       std::chrono::milliseconds timeout);
    // The exit status, or nothing when the child has not ended in time.
    std::optional<int> Wait(std::chrono::milliseconds timeout);

  private:
    void Collect(int fd, std::string* into);

    pid_t pid_ = -1;
    int input_ = -1;
    std::optional<int> status_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string output_, errors_;
    std::vector<std::thread> readers_;
};
