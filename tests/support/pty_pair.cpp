// Pseudo-terminals and the POSIX stand-in exist on Linux only.
#if !defined(_WIN32)

#include "pty_pair.h"

#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

PtyPair::PtyPair() {
    char name[256] = {};
    termios raw{};
    cfmakeraw(&raw);
    raw.c_cflag |= CREAD | CLOCAL;
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
        ADD_FAILURE() << "openpty failed";
        master_ = slave_ = -1;
        return;
    }
    // openpty applies the settings to the slave; the master is set too, so
    // neither side translates.
    tcsetattr(master_, TCSANOW, &raw);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    path_ = name;
}

PtyPair::~PtyPair() {
    CloseMaster();
    if (slave_ >= 0) {
        close(slave_);
    }
}

bool PtyPair::Send(const void* bytes, size_t count) {
    const auto* at = static_cast<const uint8_t*>(bytes);
    while (count > 0) {
        ssize_t put = write(master_, at, count);
        if (put <= 0) {
            return false;
        }
        at += put;
        count -= static_cast<size_t>(put);
    }
    return true;
}

std::vector<uint8_t> PtyPair::Receive(size_t count, std::chrono::milliseconds timeout) {
    std::vector<uint8_t> got;
    auto end = std::chrono::steady_clock::now() + timeout;
    while (got.size() < count) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd watch{master_, POLLIN, 0};
        if (poll(&watch, 1, static_cast<int>(left.count())) <= 0) {
            break;
        }
        uint8_t chunk[512];
        ssize_t n = read(master_, chunk, std::min(sizeof chunk, count - got.size()));
        if (n <= 0) {
            break;
        }
        got.insert(got.end(), chunk, chunk + n);
    }
    return got;
}

bool PtyPair::WaitUntilQueued(size_t count, std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int queued = 0;
        if (ioctl(slave_, FIONREAD, &queued) == 0 && static_cast<size_t>(queued) >= count) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void PtyPair::CloseMaster() {
    if (master_ >= 0) {
        close(master_);
        master_ = -1;
    }
}

#endif
