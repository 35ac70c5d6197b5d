// A recording stand-in for the host runtime: it captures every formatted log
// line and every gate call, serves gate ids from a table, converts values like
// a host does, and can be told to fail chosen calls. Tests reach the single
// instance through RecordingHost::Get(); it is safe to use from the polling
// thread and the test's thread at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "gates/raw_value.h"

struct LogLine {
    int level;
    std::string text;
    bool operator==(const LogLine&) const = default;
};

enum class HostFn { GetGateId, Cook, PutGateVal, SetGateFlag, GetGateVal, UnCook };

struct HostCall {
    HostFn fn = HostFn::GetGateId;
    uint32_t gateId = 0;
    uint32_t raw = 0;      // Cook: the raw argument
    double value = 0;      // PutGateVal/UnCook: the value argument
    std::string address;   // GetGateId: the address text
    uint32_t args[4] = {}; // the constant arguments, in call order
};

class RecordingHost {
  public:
    static RecordingHost& Get();

    // Forget every binding, script and record.
    void Reset();

    // Gate ids served by Pelk5GetGateIdByAddressStr; unbound addresses get 5.
    // formatType decides how Cook and UnCook convert (0 analog, 3 float, 6 digital).
    void BindGate(uint8_t instance, const std::string& address, uint32_t id, uint32_t formatType);
    void FailCook(uint32_t gateId, uint16_t status);
    void FailGetGateVal(uint32_t gateId, uint16_t status);
    void FailUnCook(uint32_t gateId, uint16_t status);
    void SetStoredValue(uint32_t gateId, double value);
    // Runs inside Pelk5GetGateVal, before it returns (for re-entrance tests).
    void OnGetGateVal(std::function<void()> hook);

    std::vector<LogLine> Lines() const;
    std::vector<std::string> Texts() const;
    std::vector<HostCall> Calls() const;
    std::vector<HostCall> CallsOf(HostFn fn) const;
    std::optional<double> StoredValue(uint32_t gateId) const;
    size_t CountLines(const std::string& text) const;
    bool HasLine(const std::string& text) const { return CountLines(text) > 0; }

    // Waits until pred() holds (checked on every record), or the time runs out.
    bool WaitFor(const std::function<bool()>& pred,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));
    bool WaitForLine(const std::string& text,
                     std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Entry points used by the C functions of the host runtime.
    void Log(int level, std::string text);
    uint16_t GetGateId(uint8_t instance, const char* address, uint32_t* id);
    uint16_t Cook(uint32_t gateId, uint32_t raw, double* cooked, const uint32_t (&args)[4]);
    void Put(uint32_t gateId, double value, const uint32_t (&args)[4]);
    void Flag(uint32_t gateId, const uint32_t (&args)[4]);
    uint16_t GetVal(uint32_t gateId, double* value, const uint32_t (&args)[4]);
    uint16_t UnCook(uint32_t gateId, double value, RawValue* raw, const uint32_t (&args)[4]);

  private:
    struct Gate {
        uint32_t formatType = 3;
        std::optional<double> stored;
    };
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::pair<uint8_t, std::string>, uint32_t> ids_;
    std::map<uint32_t, Gate> gates_;
    std::map<uint32_t, uint16_t> cookFailures_, getValFailures_, unCookFailures_;
    std::function<void()> getValHook_;
    std::vector<LogLine> lines_;
    std::vector<HostCall> calls_;
};

// Resets the recording host before and after each test of a fixture.
#include <gtest/gtest.h>
class HostTest : public ::testing::Test {
  protected:
    void SetUp() override { RecordingHost::Get().Reset(); }
    void TearDown() override { RecordingHost::Get().Reset(); }
    RecordingHost& host() { return RecordingHost::Get(); }
};
