// A terminal behind a handle. Bytes that arrive go into the port's own input
// queue, bounded by the size SetupComm set: what does not fit is dropped and
// reported as CE_RXOVER, as a Windows port drops what arrives into a full
// queue. ReadFile serves the queue and times its waits by COMMTIMEOUTS over a
// poll loop; the kernel never waits (VMIN = VTIME = 0).
#include <algorithm>
#include <cerrno>
#include <mutex>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

#include "platform/dcb_termios.h"
#include "platform/devices.h"
#include "platform/handle_table.h"
#include "platform/monotonic_clock.h"
#include "platform/read_timer.h"
#include "platform/terminal_line.h"

namespace {

// Queue size before SetupComm; a Windows port starts with a few kilobytes.
constexpr DWORD defaultQueueSize = 4096;
// Longest single wait, so that a close on another thread ends a read soon.
constexpr uint64_t waitSliceMs = 20;

struct TerminalDevice {
    int fd;
    std::mutex lock; // guards everything below
    COMMTIMEOUTS timeouts;
    DCB kept; // the members a terminal does not store, as last set
    std::vector<BYTE> queue;
    DWORD queueSize;
    DWORD errors; // CE_* bits not yet cleared
    bool hungUp;  // the other side has gone: reads fail once the queue is empty
};

// Moves what the kernel holds into the queue; bytes beyond the queue's size
// are dropped.
void Settle(TerminalDevice* device) {
    BYTE chunk[512];
    for (;;) {
        ssize_t got = read(device->fd, chunk, sizeof chunk);
        if (got > 0) {
            size_t room = device->queueSize > device->queue.size()
                              ? device->queueSize - device->queue.size()
                              : 0;
            size_t kept = std::min(room, static_cast<size_t>(got));
            device->queue.insert(device->queue.end(), chunk, chunk + kept);
            if (kept < static_cast<size_t>(got)) {
                device->errors |= CE_RXOVER;
            }
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            device->hungUp = true;
        }
        return;
    }
}

DWORD Take(TerminalDevice* device, BYTE* buffer, DWORD count) {
    DWORD taken = static_cast<DWORD>(std::min<size_t>(count, device->queue.size()));
    std::copy_n(device->queue.begin(), taken, buffer);
    device->queue.erase(device->queue.begin(), device->queue.begin() + taken);
    return taken;
}

BOOL Read(void* state, const std::atomic<bool>& closing, BYTE* buffer, DWORD count,
          DWORD* received) {
    auto* device = static_cast<TerminalDevice*>(state);
    *received = 0;
    if (count == 0) {
        return TRUE;
    }
    ReadTimer timer{};
    {
        std::lock_guard<std::mutex> guard(device->lock);
        timer = PlanRead(device->timeouts, count);
    }
    uint64_t start = MonotonicMs();
    uint64_t lastByte = start;
    DWORD got = 0;
    for (;;) {
        bool hungUp = false;
        {
            std::lock_guard<std::mutex> guard(device->lock);
            Settle(device);
            DWORD taken = Take(device, buffer + got, count - got);
            if (taken > 0) {
                got += taken;
                lastByte = MonotonicMs();
            }
            hungUp = device->hungUp && device->queue.empty();
        }
        *received = got;
        if (got == count || timer.returnAtOnce || (timer.returnOnFirstByte && got > 0)) {
            return TRUE;
        }
        if (hungUp) {
            return got > 0 ? TRUE : FALSE;
        }
        if (closing.load()) {
            return FALSE;
        }
        uint64_t now = MonotonicMs();
        uint64_t wait = waitSliceMs;
        if (timer.hasTotal) {
            uint64_t end = start + timer.totalMs;
            if (now >= end) {
                return TRUE;
            }
            wait = std::min(wait, end - now);
        }
        if (timer.hasInterval && got > 0) {
            uint64_t end = lastByte + timer.intervalMs;
            if (now >= end) {
                return TRUE;
            }
            wait = std::min(wait, end - now);
        }
        pollfd watch{device->fd, POLLIN, 0};
        int ready = poll(&watch, 1, static_cast<int>(wait));
        // A hang-up ends the read once what is left has been delivered.
        if (ready > 0 && (watch.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            std::lock_guard<std::mutex> guard(device->lock);
            device->hungUp = true;
        }
    }
}

BOOL Write(void* state, const std::atomic<bool>& closing, const BYTE* buffer, DWORD count,
           DWORD* written) {
    auto* device = static_cast<TerminalDevice*>(state);
    *written = 0;
    COMMTIMEOUTS timeouts{};
    {
        std::lock_guard<std::mutex> guard(device->lock);
        timeouts = device->timeouts;
    }
    bool hasTotal =
        timeouts.WriteTotalTimeoutMultiplier != 0 || timeouts.WriteTotalTimeoutConstant != 0;
    uint64_t end = MonotonicMs() +
                   static_cast<uint64_t>(timeouts.WriteTotalTimeoutMultiplier) * count +
                   timeouts.WriteTotalTimeoutConstant;
    DWORD done = 0;
    while (done < count) {
        ssize_t put = write(device->fd, buffer + done, count - done);
        if (put > 0) {
            done += static_cast<DWORD>(put);
            *written = done;
            continue;
        }
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return FALSE;
        }
        if (closing.load()) {
            return FALSE;
        }
        uint64_t wait = waitSliceMs;
        if (hasTotal) {
            uint64_t now = MonotonicMs();
            if (now >= end) {
                return TRUE; // timed out: the count written tells how far it got
            }
            wait = std::min(wait, end - now);
        }
        pollfd watch{device->fd, POLLOUT, 0};
        poll(&watch, 1, static_cast<int>(wait));
    }
    return TRUE;
}

BOOL GetState(void* state, DCB* dcb) {
    auto* device = static_cast<TerminalDevice*>(state);
    std::lock_guard<std::mutex> guard(device->lock);
    LineTermios line{};
    if (!TerminalGetLine(device->fd, &line)) {
        return FALSE;
    }
    TermiosToDcb(line, device->kept, dcb);
    return TRUE;
}

BOOL SetState(void* state, const DCB* dcb) {
    auto* device = static_cast<TerminalDevice*>(state);
    std::lock_guard<std::mutex> guard(device->lock);
    LineTermios current{};
    LineTermios next{};
    if (!TerminalGetLine(device->fd, &current) || !DcbToTermios(*dcb, current, &next) ||
        !TerminalSetLine(device->fd, next)) {
        return FALSE;
    }
    // Handshake modes leave the line to the kernel's flow control.
    if (dcb->fDtrControl != DTR_CONTROL_HANDSHAKE &&
        !TerminalSetDtr(device->fd, dcb->fDtrControl == DTR_CONTROL_ENABLE)) {
        return FALSE;
    }
    if (dcb->fRtsControl != RTS_CONTROL_HANDSHAKE &&
        !TerminalSetRts(device->fd, dcb->fRtsControl == RTS_CONTROL_ENABLE)) {
        return FALSE;
    }
    device->kept = *dcb;
    return TRUE;
}

BOOL GetTimeouts(void* state, COMMTIMEOUTS* timeouts) {
    auto* device = static_cast<TerminalDevice*>(state);
    std::lock_guard<std::mutex> guard(device->lock);
    *timeouts = device->timeouts;
    return TRUE;
}

BOOL SetTimeouts(void* state, const COMMTIMEOUTS* timeouts) {
    auto* device = static_cast<TerminalDevice*>(state);
    std::lock_guard<std::mutex> guard(device->lock);
    device->timeouts = *timeouts;
    return TRUE;
}

BOOL SetupQueues(void* state, DWORD inQueue, DWORD outQueue) {
    auto* device = static_cast<TerminalDevice*>(state);
    if (inQueue == 0 || outQueue == 0) {
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(device->lock);
    Settle(device);
    device->queueSize = inQueue;
    if (device->queue.size() > inQueue) {
        device->queue.resize(inQueue);
        device->errors |= CE_RXOVER;
    }
    return TRUE;
}

BOOL ClearError(void* state, DWORD* errors, COMSTAT* stat) {
    auto* device = static_cast<TerminalDevice*>(state);
    std::lock_guard<std::mutex> guard(device->lock);
    Settle(device);
    if (errors != nullptr) {
        *errors = device->errors;
    }
    device->errors = 0;
    if (stat != nullptr) {
        *stat = COMSTAT{};
        stat->cbInQue = static_cast<DWORD>(device->queue.size());
    }
    return TRUE;
}

BOOL SetBreak(void* state, bool on) {
    auto* device = static_cast<TerminalDevice*>(state);
    return TerminalSetBreak(device->fd, on) ? TRUE : FALSE;
}

void Release(void* state) {
    auto* device = static_cast<TerminalDevice*>(state);
    TerminalSetExclusive(device->fd, false);
    close(device->fd);
    delete device;
}

constexpr DeviceOps terminalOps = {
    Read,        Write,       GetState,   SetState, GetTimeouts,
    SetTimeouts, SetupQueues, ClearError, SetBreak, Release,
};

} // namespace

HANDLE TerminalDeviceOpen(int fd) {
    auto* device = new TerminalDevice{};
    device->fd = fd;
    device->queueSize = defaultQueueSize;
    device->queue.reserve(defaultQueueSize);
    TerminalSetExclusive(fd, true);

    // Until a DCB is set, report the modem lines as they are (enabled where a
    // line has none) and the usual Windows defaults for the rest.
    DCB& kept = device->kept;
    kept.DCBlength = sizeof(DCB);
    kept.fBinary = TRUE;
    bool present = false;
    bool dtr = false;
    bool rts = false;
    TerminalGetModemLines(fd, &present, &dtr, &rts);
    kept.fDtrControl = !present || dtr ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    kept.fRtsControl = !present || rts ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    kept.XonLim = 2048;
    kept.XoffLim = 512;
    kept.XonChar = 0x11;
    kept.XoffChar = 0x13;
    return HandleTableAdd(&terminalOps, device);
}
