#include "support/recording_host.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "host/host_runtime.h"

namespace {
HostCall MakeCall(HostFn fn, uint32_t gateId, uint32_t raw, double value,
                  const uint32_t (&args)[4]) {
    HostCall call;
    call.fn = fn;
    call.gateId = gateId;
    call.raw = raw;
    call.value = value;
    std::copy(std::begin(args), std::end(args), call.args);
    return call;
}
} // namespace

RecordingHost& RecordingHost::Get() {
    static RecordingHost host;
    return host;
}

void RecordingHost::Reset() {
    std::lock_guard lock(mutex_);
    ids_.clear();
    gates_.clear();
    cookFailures_.clear();
    getValFailures_.clear();
    unCookFailures_.clear();
    getValHook_ = nullptr;
    lines_.clear();
    calls_.clear();
}

void RecordingHost::BindGate(uint8_t instance, const std::string& address, uint32_t id,
                             uint32_t formatType) {
    std::lock_guard lock(mutex_);
    ids_[{instance, address}] = id;
    gates_[id].formatType = formatType;
}

void RecordingHost::FailCook(uint32_t gateId, uint16_t status) {
    std::lock_guard lock(mutex_);
    cookFailures_[gateId] = status;
}

void RecordingHost::FailGetGateVal(uint32_t gateId, uint16_t status) {
    std::lock_guard lock(mutex_);
    getValFailures_[gateId] = status;
}

void RecordingHost::FailUnCook(uint32_t gateId, uint16_t status) {
    std::lock_guard lock(mutex_);
    unCookFailures_[gateId] = status;
}

void RecordingHost::SetStoredValue(uint32_t gateId, double value) {
    std::lock_guard lock(mutex_);
    gates_[gateId].stored = value;
}

void RecordingHost::OnGetGateVal(std::function<void()> hook) {
    std::lock_guard lock(mutex_);
    getValHook_ = std::move(hook);
}

std::vector<LogLine> RecordingHost::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::vector<std::string> RecordingHost::Texts() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> texts;
    for (const auto& line : lines_) {
        texts.push_back(line.text);
    }
    return texts;
}

std::vector<HostCall> RecordingHost::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<HostCall> RecordingHost::CallsOf(HostFn fn) const {
    std::lock_guard lock(mutex_);
    std::vector<HostCall> out;
    std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(out),
                 [fn](const HostCall& c) { return c.fn == fn; });
    return out;
}

std::optional<double> RecordingHost::StoredValue(uint32_t gateId) const {
    std::lock_guard lock(mutex_);
    auto it = gates_.find(gateId);
    if (it == gates_.end()) {
        return std::nullopt;
    }
    return it->second.stored;
}

size_t RecordingHost::CountLines(const std::string& text) const {
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(std::count_if(lines_.begin(), lines_.end(),
                                             [&](const LogLine& l) { return l.text == text; }));
}

bool RecordingHost::WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(mutex_);
    while (true) {
        lock.unlock();
        bool done = pred();
        lock.lock();
        if (done) {
            return true;
        }
        if (changed_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() +
                                                             std::chrono::milliseconds(20))) ==
                std::cv_status::timeout &&
            std::chrono::steady_clock::now() >= deadline) {
            lock.unlock();
            return pred();
        }
    }
}

bool RecordingHost::WaitForLine(const std::string& text, std::chrono::milliseconds timeout) {
    return WaitFor([&] { return HasLine(text); }, timeout);
}

void RecordingHost::Log(int level, std::string text) {
    {
        std::lock_guard lock(mutex_);
        lines_.push_back({level, std::move(text)});
    }
    changed_.notify_all();
}

uint16_t RecordingHost::GetGateId(uint8_t instance, const char* address, uint32_t* id) {
    uint16_t status = hostGateNotBound;
    {
        std::lock_guard lock(mutex_);
        HostCall call = MakeCall(HostFn::GetGateId, 0, 0, 0, {instance, 0, 0, 0});
        call.address = address;
        auto it = ids_.find({instance, address});
        if (it != ids_.end()) {
            *id = it->second;
            call.gateId = it->second;
            status = 0;
        }
        calls_.push_back(call);
    }
    changed_.notify_all();
    return status;
}

uint16_t RecordingHost::Cook(uint32_t gateId, uint32_t raw, double* cooked,
                             const uint32_t (&args)[4]) {
    uint16_t status = 0;
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(MakeCall(HostFn::Cook, gateId, raw, 0, args));
        auto fail = cookFailures_.find(gateId);
        if (fail != cookFailures_.end()) {
            status = fail->second;
        } else {
            uint32_t format = gates_.count(gateId) ? gates_[gateId].formatType : 3;
            uint16_t word = static_cast<uint16_t>(raw >> 16);
            if (format == 3) {
                float f;
                std::memcpy(&f, &raw, sizeof f);
                *cooked = f;
            } else if (format == 6) {
                *cooked = word != 0 ? 1.0 : 0.0;
            } else {
                *cooked = word;
            }
        }
    }
    changed_.notify_all();
    return status;
}

void RecordingHost::Put(uint32_t gateId, double value, const uint32_t (&args)[4]) {
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(MakeCall(HostFn::PutGateVal, gateId, 0, value, args));
        gates_[gateId].stored = value;
    }
    changed_.notify_all();
}

void RecordingHost::Flag(uint32_t gateId, const uint32_t (&args)[4]) {
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(MakeCall(HostFn::SetGateFlag, gateId, 0, 0, args));
    }
    changed_.notify_all();
}

uint16_t RecordingHost::GetVal(uint32_t gateId, double* value, const uint32_t (&args)[4]) {
    std::function<void()> hook;
    uint16_t status = 0;
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(MakeCall(HostFn::GetGateVal, gateId, 0, 0, args));
        hook = getValHook_;
        auto fail = getValFailures_.find(gateId);
        if (fail != getValFailures_.end()) {
            status = fail->second;
        } else {
            *value = gates_[gateId].stored.value_or(0.0);
        }
    }
    if (hook) {
        hook();
    }
    changed_.notify_all();
    return status;
}

uint16_t RecordingHost::UnCook(uint32_t gateId, double value, RawValue* raw,
                               const uint32_t (&args)[4]) {
    uint16_t status = 0;
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(MakeCall(HostFn::UnCook, gateId, 0, value, args));
        auto fail = unCookFailures_.find(gateId);
        if (fail != unCookFailures_.end()) {
            status = fail->second;
        } else {
            uint32_t format = gates_.count(gateId) ? gates_[gateId].formatType : 0;
            if (format == 3) {
                float f = static_cast<float>(value);
                std::memcpy(raw->bytes, &f, sizeof f);
            } else {
                double clamped = std::clamp(std::round(value), 0.0, 65535.0);
                raw->bytes[0] = raw->bytes[1] = 0;
                SetRawWord(*raw, static_cast<uint16_t>(clamped));
            }
        }
    }
    changed_.notify_all();
    return status;
}

// ---- The host runtime's C functions, served by the recording host ----------

extern "C" {
int err(int level, const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    RecordingHost::Get().Log(level, buffer);
    return 0;
}

uint16_t Pelk5GetGateIdByAddressStr(uint32_t zero, uint8_t instance, const char* address,
                                    uint32_t* id) {
    (void)zero;
    return RecordingHost::Get().GetGateId(instance, address, id);
}

uint16_t Pelk5Cook(uint32_t zero, uint32_t gateId, uint32_t raw, double* cooked) {
    return RecordingHost::Get().Cook(gateId, raw, cooked, {zero, 0, 0, 0});
}

uint16_t Pelk5PutGateVal(uint32_t zero, uint32_t gateId, uint32_t two, double value, uint32_t zero2,
                         uint32_t zero3) {
    RecordingHost::Get().Put(gateId, value, {zero, two, zero2, zero3});
    return 0;
}

uint16_t Pelk5SetGateFlag(uint32_t zero, uint32_t gateId, uint32_t one, uint32_t one2) {
    RecordingHost::Get().Flag(gateId, {zero, one, one2, 0});
    return 0;
}

uint16_t Pelk5GetGateVal(uint32_t zero, uint32_t sixteen, uint32_t gateId, double* value,
                         uint32_t zero2, uint32_t zero3) {
    return RecordingHost::Get().GetVal(gateId, value, {zero, sixteen, zero2, zero3});
}

uint16_t Pelk5UnCook(uint32_t zero, uint32_t gateId, double value, RawValue* rawValue) {
    return RecordingHost::Get().UnCook(gateId, value, rawValue, {zero, 0, 0, 0});
}
}
