#include "host_log.h"

#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "pelkcore.h"

namespace pelkcore {
namespace {

constexpr size_t queueCapacity = 4096;

struct Entry {
    std::chrono::system_clock::time_point when;
    int level;
    std::string text;
};

struct Listener {
    int token;
    LogListener fn;
};
using ListenerList = std::vector<Listener>;

class Logger {
  public:
    ~Logger() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        if (writer_.joinable()) {
#if defined(_WIN32)
            writer_.detach(); // joining under the loader lock would dead-lock
#else
            writer_.join();
#endif
        }
        CloseFile();
    }

    void Queue(int level, std::string text) {
        {
            std::lock_guard lock(mutex_);
            if (queue_.size() >= queueCapacity) {
                ++dropped_;
                ++droppedUnreported_;
                return;
            }
            queue_.push_back({std::chrono::system_clock::now(), level, std::move(text)});
            ++queued_;
            StartLocked();
        }
        wake_.notify_one();
    }

    bool Open(const std::string& path) {
        std::FILE* file = std::fopen(path.c_str(), "a");
        if (file == nullptr) {
            return false;
        }
        std::lock_guard lock(outMutex_);
        CloseFileLocked();
        file_ = file;
        return true;
    }

    void UseStderr() {
        std::lock_guard lock(outMutex_);
        CloseFileLocked();
    }

    void SetEcho(bool echo) {
        std::lock_guard lock(outMutex_);
        echo_ = echo;
    }

    int Subscribe(LogListener fn) {
        std::lock_guard lock(mutex_);
        auto next = std::make_shared<ListenerList>(*listeners_);
        int token = nextToken_++;
        next->push_back({token, std::move(fn)});
        listeners_ = std::move(next);
        return token;
    }

    void Unsubscribe(int token) {
        std::lock_guard lock(mutex_);
        auto next = std::make_shared<ListenerList>();
        for (const Listener& listener : *listeners_) {
            if (listener.token != token) {
                next->push_back(listener);
            }
        }
        listeners_ = std::move(next);
    }

    void Flush() {
        std::unique_lock lock(mutex_);
        uint64_t target = queued_;
        if (written_ >= target && droppedUnreported_ == 0) {
            return;
        }
        StartLocked();
        wake_.notify_one();
        done_.wait(lock, [&] { return written_ >= target || !writer_.joinable(); });
    }

    void Stop() {
        Flush();
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        if (writer_.joinable()) {
            writer_.join();
        }
        std::lock_guard lock(mutex_);
        stop_ = false;
    }

    uint64_t Dropped() {
        std::lock_guard lock(mutex_);
        return dropped_;
    }

  private:
    void StartLocked() {
        if (!writer_.joinable() && !stop_) {
            writer_ = std::thread([this] { Run(); });
        }
    }

    void Run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return stop_ || !queue_.empty() || droppedUnreported_ != 0; });
            if (queue_.empty() && droppedUnreported_ == 0 && stop_) {
                return;
            }
            std::deque<Entry> batch;
            batch.swap(queue_);
            uint64_t dropped = droppedUnreported_;
            droppedUnreported_ = 0;
            auto listeners = listeners_;
            lock.unlock();
            Write(batch, dropped, *listeners);
            lock.lock();
            written_ += batch.size();
            done_.notify_all();
        }
    }

    void Write(const std::deque<Entry>& batch, uint64_t dropped, const ListenerList& listeners) {
        {
            std::lock_guard lock(outMutex_);
            std::FILE* out = file_ != nullptr ? file_ : stderr;
            if (dropped != 0) {
                auto line = FormatLogLine(std::chrono::system_clock::now(), 32,
                                          "PELKCORE> log queue full, " + std::to_string(dropped) +
                                              " lines dropped");
                Put(out, line);
            }
            for (const Entry& entry : batch) {
                Put(out, FormatLogLine(entry.when, entry.level, entry.text));
            }
            std::fflush(out);
            if (echo_ && file_ != nullptr) {
                std::fflush(stderr);
            }
        }
        for (const Entry& entry : batch) {
            for (const Listener& listener : listeners) {
                listener.fn(entry.level, entry.text);
            }
        }
    }

    void Put(std::FILE* out, const std::string& line) {
        std::fputs(line.c_str(), out);
        std::fputc('\n', out);
        if (echo_ && file_ != nullptr) {
            std::fputs(line.c_str(), stderr);
            std::fputc('\n', stderr);
        }
    }

    void CloseFile() {
        std::lock_guard lock(outMutex_);
        CloseFileLocked();
    }

    void CloseFileLocked() {
        if (file_ != nullptr) {
            std::fclose(file_);
            file_ = nullptr;
        }
    }

    std::mutex mutex_; // queue, counters, listeners, thread
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<Entry> queue_;
    uint64_t queued_ = 0;
    uint64_t written_ = 0;
    uint64_t dropped_ = 0;
    uint64_t droppedUnreported_ = 0;
    bool stop_ = false;
    std::shared_ptr<const ListenerList> listeners_ = std::make_shared<ListenerList>();
    int nextToken_ = 1;
    std::thread writer_;

    std::mutex outMutex_; // the output file
    std::FILE* file_ = nullptr;
    bool echo_ = false;
};

Logger& TheLogger() {
    static Logger logger;
    return logger;
}

const char* LevelName(int level) {
    switch (level) {
    case 8:
        return "INFO ";
    case 32:
        return "ERROR";
    default:
        return nullptr;
    }
}

} // namespace

void QueueLogLine(int level, std::string text) {
    TheLogger().Queue(level, std::move(text));
}

std::string FormatLogLine(std::chrono::system_clock::time_point when, int level,
                          const std::string& text) {
    std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() %
        1000;
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    char stamp[40];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
    char head[64];
    const char* name = LevelName(level);
    if (name != nullptr) {
        std::snprintf(head, sizeof head, "%s.%03d %s ", stamp, static_cast<int>(millis), name);
    } else {
        std::snprintf(head, sizeof head, "%s.%03d L%-4d ", stamp, static_cast<int>(millis), level);
    }
    return head + text;
}

bool OpenLogFile(const std::string& path) {
    return TheLogger().Open(path);
}
void LogToStderr() {
    TheLogger().UseStderr();
}
void SetLogEcho(bool toStderr) {
    TheLogger().SetEcho(toStderr);
}
int SubscribeLog(LogListener listener) {
    return TheLogger().Subscribe(std::move(listener));
}
void UnsubscribeLog(int token) {
    TheLogger().Unsubscribe(token);
}
void FlushLog() {
    TheLogger().Flush();
}
void StopLog() {
    TheLogger().Stop();
}
uint64_t DroppedLogLines() {
    return TheLogger().Dropped();
}

} // namespace pelkcore
