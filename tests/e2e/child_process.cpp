#include "child_process.h"

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& directory) {
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        if (chdir(directory.c_str()) != 0) {
            _exit(126);
        }
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    input_ = in[1];
    readers_.emplace_back([this, fd = out[0]] { Collect(fd, &output_); });
    readers_.emplace_back([this, fd = err[0]] { Collect(fd, &errors_); });
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !status_) {
        kill(pid_, SIGKILL);
        Wait(std::chrono::seconds(10));
    }
    CloseInput();
    for (std::thread& reader : readers_) {
        reader.join();
    }
}

void ChildProcess::Collect(int fd, std::string* into) {
    char buffer[4096];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        std::lock_guard lock(mutex_);
        into->append(buffer, static_cast<size_t>(got));
        changed_.notify_all();
    }
    close(fd);
}

void ChildProcess::Send(const std::string& text) {
    if (input_ >= 0) {
        ssize_t ignored = write(input_, text.data(), text.size());
        (void)ignored;
    }
}

void ChildProcess::CloseInput() {
    if (input_ >= 0) {
        close(input_);
        input_ = -1;
    }
}

void ChildProcess::Signal(int signal) {
    if (pid_ > 0 && !status_) {
        kill(pid_, signal);
    }
}

std::string ChildProcess::Output() const {
    std::lock_guard lock(mutex_);
    return output_;
}

std::string ChildProcess::Errors() const {
    std::lock_guard lock(mutex_);
    return errors_;
}

bool ChildProcess::WaitForOutput(const std::function<bool(const std::string&)>& pred,
                                 std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return pred(output_); });
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout) {
    if (status_ || pid_ <= 0) {
        return status_;
    }
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return status_;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
