// A driver instance driven through VpiMain, with a pseudo-terminal playing the
// indicator. Tears down whatever a test leaves running: the polling thread is
// stopped through EndVpi and the stop flag is set back to running.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/driver_context.h"
#include "host/polling_threads.h"
#include "host/port_records.h"
#include "host/shared_field.h"
#include "host/stop_flag.h"
#include "host/vpi_main.h"
#include "support/indicator_frames.h"
#include "support/pty_pair.h"
#include "support/recording_host.h"

// Sends one message after another, at about the pace of a 9600-baud line,
// until stopped; the message can be changed while it runs.
class IndicatorPlayer {
  public:
    explicit IndicatorPlayer(PtyPair& pty) : pty_(pty) {}
    ~IndicatorPlayer() { Stop(); }

    void Start(const FrameBytes& frame) {
        Set(frame);
        running_ = true;
        thread_ = std::thread([this] {
            while (running_) {
                FrameBytes f;
                {
                    std::lock_guard lock(mutex_);
                    f = frame_;
                }
                pty_.Send(f.data(), f.size());
                std::this_thread::sleep_for(std::chrono::microseconds(18750));
            }
        });
    }
    void Set(const FrameBytes& frame) {
        std::lock_guard lock(mutex_);
        frame_ = frame;
    }
    void Stop() {
        running_ = false;
        if (thread_.joinable()) {
            thread_.join();
        }
    }

  private:
    PtyPair& pty_;
    std::mutex mutex_;
    FrameBytes frame_{};
    std::atomic<bool> running_{false};
    std::thread thread_;
};

// The host hands the driver at most 11 characters of port name; a pty's path
// can be longer (/dev/pts/123), so such a pty is reached through a short link.
inline std::string PortNameOf(const PtyPair& pty) {
    if (pty.path().size() < static_cast<size_t>(portNameSize)) {
        return pty.path();
    }
    std::string link = "/tmp/tv" + pty.path().substr(pty.path().rfind('/') + 1);
    std::remove(link.c_str());
    if (symlink(pty.path().c_str(), link.c_str()) != 0) {
        ADD_FAILURE() << "cannot link " << link;
    }
    return link;
}

class LifecycleTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        StoreStopFlag(StopRunning);
        // The host's memory is not cleared for the driver.
        std::memset(&context, 0xCC, sizeof context);
    }

    void TearDown() override {
        if (LoadStopFlag() == StopRunning && started) {
            Command(CmdEndVpi);
        }
        StoreStopFlag(StopRunning);
        HostTest::TearDown();
    }

    int32_t Command(uint32_t command, void* data = nullptr, uint32_t instance = 0) {
        VpiRequest request{&context, command, instance, 0, data};
        return VpiMain(&request);
    }

    int32_t ColdStartOn(const std::string& port, uint32_t enabled = 1,
                        LineSettings line = {9600, 7, 0, 2}, uint32_t instance = 0) {
        ColdStartRecord record;
        std::memset(&record, 0, sizeof record);
        std::memcpy(record.portName, port.c_str(),
                    std::min(port.size() + 1, sizeof record.portName));
        record.portEnabled = enabled;
        record.lineSettings = line;
        started = true;
        return Command(CmdColdStart, &record, instance);
    }

    int32_t ChangeParams(const std::string& port, uint32_t readTimeout,
                         LineSettings line = {0, 0, 0, 0}) {
        ChangeParamsRecord record;
        std::memset(&record, 0, sizeof record);
        std::memcpy(record.portName, port.c_str(),
                    std::min(port.size() + 1, sizeof record.portName));
        record.readTimeout = readTimeout;
        record.lineSettings = line;
        return Command(CmdChangeVpiParams, &record);
    }

    HANDLE Handle() { return LoadShared(context.portHandle); }

    DriverContext context;
    bool started = false;
};
