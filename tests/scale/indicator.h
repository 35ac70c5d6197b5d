// The indicator's side of a pseudo-terminal line: sends frames back to back
// at the pace of a 9600-baud line with 7 data bits, parity and one stop bit
// (10 bit times per byte, 18.75 ms per frame), as the indicator does, until
// told to fall silent.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "support/pty_pair.h"

class Indicator {
  public:
    // What the indicator sends as its n-th message (any bytes, not only frames).
    using Source = std::function<std::vector<uint8_t>(int n)>;
    // Extra silence after the n-th message.
    using Pause = std::function<std::chrono::milliseconds(int n)>;

    Indicator() = default;
    ~Indicator() { Silence(); }
    Indicator(const Indicator&) = delete;
    Indicator& operator=(const Indicator&) = delete;

    PtyPair& pair() { return pair_; }

    // Starts (or goes on) sending; the message count continues where it stopped.
    void Stream(Source source, Pause pause = nullptr) {
        Silence();
        quit_ = false;
        writer_ = std::thread(
            [this, source = std::move(source), pause = std::move(pause)] { Run(source, pause); });
    }
    // Stops sending after the message on the way.
    void Silence() {
        quit_ = true;
        if (writer_.joinable()) {
            writer_.join();
        }
    }
    int Sent() const { return sent_.load(); }

  private:
    static constexpr std::chrono::microseconds byteTime{1042}; // 10 bits at 9600 baud

    void Run(const Source& source, const Pause& pause) {
        auto next = std::chrono::steady_clock::now();
        while (!quit_) {
            const int n = sent_.load();
            const std::vector<uint8_t> message = source(n);
            pair_.Send(message);
            ++sent_;
            next += byteTime * static_cast<int>(message.size());
            if (pause) {
                next += pause(n);
            }
            const auto now = std::chrono::steady_clock::now();
            if (now > next + std::chrono::milliseconds(100)) {
                next = now; // fell far behind (a busy machine): do not burst
            }
            std::this_thread::sleep_until(next);
        }
    }

    PtyPair pair_;
    std::atomic<bool> quit_{false};
    std::atomic<int> sent_{0};
    std::thread writer_;
};
