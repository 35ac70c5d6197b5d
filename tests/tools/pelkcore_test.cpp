// The host runtime library as the driver meets it: gate lookup, the
// conversions between raw and engineering values, stores, failure marks and
// the log.
#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <filesystem>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

#include "host/host_runtime.h"
#include "pelkcore.h"

using namespace pelkcore;

namespace {

uint32_t WordOfFloat(float value) {
    return std::bit_cast<uint32_t>(value);
}
uint32_t WordOfHigh(uint16_t high, uint16_t low = 0) {
    return (uint32_t{high} << 16) | low;
}

class PelkcoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearGates();
        logPath_ = std::filesystem::temp_directory_path() /
                   ("pelkcore_test_" +
                    std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".log");
        ASSERT_TRUE(OpenLogFile(logPath_.string()));
    }
    void TearDown() override {
        FlushLog();
        LogToStderr();
        std::filesystem::remove(logPath_);
        ClearGates();
    }
    std::filesystem::path logPath_;
};

} // namespace

TEST_F(PelkcoreTest, GateLookupByInstanceAndAddress) {
    uint32_t weight0 = BindGate(0, "WEIGHT", FormatFloat);
    uint32_t weight1 = BindGate(1, "WEIGHT", FormatFloat);
    ASSERT_NE(weight0, 0u);
    EXPECT_NE(weight0, weight1);
    EXPECT_EQ(BindGate(0, "WEIGHT", FormatFloat), weight0) << "binding again keeps the id";

    uint32_t id = 0xFFFF;
    EXPECT_EQ(Pelk5GetGateIdByAddressStr(0, 0, "WEIGHT", &id), 0);
    EXPECT_EQ(id, weight0);
    EXPECT_EQ(Pelk5GetGateIdByAddressStr(0, 1, "WEIGHT", &id), 0);
    EXPECT_EQ(id, weight1);

    // Not bound in that instance, or not at all: 5 and the slot untouched.
    id = 0xFFFF;
    EXPECT_EQ(Pelk5GetGateIdByAddressStr(0, 2, "WEIGHT", &id), 5);
    EXPECT_EQ(Pelk5GetGateIdByAddressStr(0, 0, "TARE", &id), 5);
    EXPECT_EQ(Pelk5GetGateIdByAddressStr(0, 0, "weight", &id), 5);
    EXPECT_EQ(id, 0xFFFFu);

    EXPECT_EQ(BindGate(0, "", FormatFloat), 0u);
    EXPECT_EQ(BindGate(0, std::string(32, 'A'), FormatFloat), 0u);
}

TEST_F(PelkcoreTest, CookByFormatType) {
    struct Case {
        uint32_t format;
        uint32_t raw;
        double expected;
    } cases[] = {
        {FormatFloat, WordOfFloat(-123.4f), static_cast<double>(-123.4f)},
        {FormatFloat, WordOfFloat(999999.125f), 999999.125},
        {FormatFloat, 0x3727C5AD, static_cast<double>(std::bit_cast<float>(0x3727C5ADu))},
        {FormatAnalog16, WordOfHigh(35, 0xBEEF), 35.0}, // bytes 0-1 are not part of it
        {FormatAnalog16, WordOfHigh(65535), 65535.0},
        {FormatDigital, WordOfHigh(8, 0x1234), 1.0}, // the motion bit arrives as 8
        {FormatDigital, WordOfHigh(1), 1.0},
        {FormatDigital, WordOfHigh(0, 0xFFFF), 0.0}, // left-over tare bytes do not count
    };
    for (const Case& c : cases) {
        uint32_t id = BindGate(0, "G" + std::to_string(c.format), c.format);
        double cooked = -1;
        EXPECT_EQ(Pelk5Cook(0, id, c.raw, &cooked), 0);
        EXPECT_EQ(cooked, c.expected) << "format " << c.format << " raw " << std::hex << c.raw;
    }
}

TEST_F(PelkcoreTest, UnCookByFormatType) {
    struct Case {
        uint32_t format;
        double value;
        uint8_t bytes[4];
    } cases[] = {
        {FormatAnalog16, 35.0, {0, 0, 35, 0}},
        {FormatAnalog16, 10000.0, {0, 0, 0x10, 0x27}},
        {FormatAnalog16, 2.5, {0, 0, 3, 0}},  // rounded
        {FormatAnalog16, -4.0, {0, 0, 0, 0}}, // held to the range
        {FormatAnalog16, 70000.0, {0, 0, 0xFF, 0xFF}},
        {FormatAnalog16, std::numeric_limits<double>::quiet_NaN(), {0, 0, 0, 0}},
        {FormatDigital, 1.0, {0, 0, 1, 0}},
        {FormatDigital, 8.0, {0, 0, 1, 0}},
        {FormatDigital, 0.0, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        uint32_t id = BindGate(0, "G" + std::to_string(c.format), c.format);
        RawValue raw{{0xAA, 0xBB, 0xCC, 0xDD}};
        EXPECT_EQ(Pelk5UnCook(0, id, c.value, &raw), 0);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(raw.bytes[i], c.bytes[i])
                << "format " << c.format << " value " << c.value << " byte " << i;
        }
    }

    // A float goes out and comes back bit for bit.
    uint32_t id = BindGate(0, "F", FormatFloat);
    RawValue raw{};
    ASSERT_EQ(Pelk5UnCook(0, id, static_cast<double>(-123.4f), &raw), 0);
    EXPECT_EQ(RawWordOf(raw), WordOfFloat(-123.4f));
    double back = 0;
    ASSERT_EQ(Pelk5Cook(0, id, RawWordOf(raw), &back), 0);
    EXPECT_EQ(back, static_cast<double>(-123.4f));
}

TEST_F(PelkcoreTest, UnknownIdsAndBadArgumentsAreRefused) {
    uint32_t id = BindGate(0, "WEIGHT", FormatFloat);
    uint32_t unknown = id + 1000;
    double value = 0;
    RawValue raw{};
    EXPECT_NE(Pelk5Cook(0, unknown, 0, &value), 0);
    EXPECT_NE(Pelk5UnCook(0, unknown, 1.0, &raw), 0);
    EXPECT_NE(Pelk5PutGateVal(0, unknown, 2, 1.0, 0, 0), 0);
    EXPECT_NE(Pelk5SetGateFlag(0, unknown, 1, 1), 0);
    EXPECT_NE(Pelk5GetGateVal(0, 16, unknown, &value, 0, 0), 0);
    EXPECT_NE(Pelk5GetGateVal(0, 16, 0xFFFF, &value, 0, 0), 0) << "the driver's unresolved mark";

    EXPECT_NE(Pelk5Cook(0, id, 0, nullptr), 0);
    EXPECT_NE(Pelk5UnCook(0, id, 1.0, nullptr), 0);
    EXPECT_NE(Pelk5GetGateVal(0, 16, id, nullptr, 0, 0), 0);
    EXPECT_NE(Pelk5GetGateIdByAddressStr(0, 0, nullptr, &id), 0);

    uint32_t text = BindGate(0, "TEXT", 7);
    EXPECT_NE(Pelk5Cook(0, text, 0, &value), 0);
    EXPECT_NE(Pelk5UnCook(0, text, 1.0, &raw), 0);
}

TEST_F(PelkcoreTest, StoreAndFlagTrackValueTimeAndCount) {
    uint32_t id = BindGate(0, "WEIGHT", FormatFloat);
    GateState state;
    ASSERT_TRUE(ReadGate(id, &state));
    EXPECT_FALSE(state.everUpdated);
    EXPECT_EQ(state.updates, 0u);
    EXPECT_STREQ(state.address, "WEIGHT");

    std::vector<GateState> seen;
    std::mutex seenMutex;
    int token = SubscribeGates([&](const GateState& s) {
        std::lock_guard lock(seenMutex);
        seen.push_back(s);
    });

    auto before = Clock::now();
    EXPECT_EQ(Pelk5PutGateVal(0, id, 2, 12.5, 0, 0), 0);
    EXPECT_EQ(Pelk5SetGateFlag(0, id, 1, 1), 0);
    ASSERT_TRUE(ReadGate(id, &state));
    EXPECT_TRUE(state.failed);
    EXPECT_EQ(state.value, 12.5) << "a failure mark keeps the last value";
    EXPECT_EQ(Pelk5PutGateVal(0, id, 2, -3.25, 0, 0), 0);
    UnsubscribeGates(token);
    EXPECT_EQ(Pelk5PutGateVal(0, id, 2, 7.0, 0, 0), 0);

    ASSERT_TRUE(ReadGate(id, &state));
    EXPECT_FALSE(state.failed) << "a new value clears the failure mark";
    EXPECT_EQ(state.value, 7.0);
    EXPECT_EQ(state.updates, 3u);
    EXPECT_EQ(state.failures, 1u);
    EXPECT_GE(state.lastUpdate, before);

    double value = 0;
    EXPECT_EQ(Pelk5GetGateVal(0, 16, id, &value, 0, 0), 0);
    EXPECT_EQ(value, 7.0);

    std::lock_guard lock(seenMutex);
    ASSERT_EQ(seen.size(), 3u) << "no notice after unsubscribing";
    EXPECT_EQ(seen[0].value, 12.5);
    EXPECT_TRUE(seen[1].failed);
    EXPECT_EQ(seen[2].value, -3.25);
    EXPECT_EQ(seen[2].updates, 2u);
}

TEST_F(PelkcoreTest, ErrFormatsWholeLinesInOrder) {
    std::vector<std::pair<int, std::string>> lines;
    std::mutex linesMutex;
    int token = SubscribeLog([&](int level, const std::string& text) {
        std::lock_guard lock(linesMutex);
        lines.emplace_back(level, text);
    });
    std::string longText(600, 'x');
    err(8, "TARVIK> CloseCom() exited %d", 2);
    err(32, "TARVIK> ReadIntFile() illegal line %u in '%s'", 3u, "TARVIK.INT");
    err(8, "%s", longText.c_str());
    FlushLog();
    UnsubscribeLog(token);

    std::lock_guard lock(linesMutex);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], (std::pair<int, std::string>{8, "TARVIK> CloseCom() exited 2"}));
    EXPECT_EQ(lines[1], (std::pair<int, std::string>{
                            32, "TARVIK> ReadIntFile() illegal line 3 in 'TARVIK.INT'"}));
    EXPECT_EQ(lines[2].second, longText) << "long lines are not cut";
}

TEST_F(PelkcoreTest, LogLineCarriesTimeAndLevel) {
    auto when = std::chrono::system_clock::now();
    std::string info = FormatLogLine(when, 8, "TARVIK> WarmStart()");
    std::string error = FormatLogLine(when, 32, "TARVIK> ColdStart() error opening COM port");
    EXPECT_NE(info.find(" INFO  TARVIK> WarmStart()"), std::string::npos) << info;
    EXPECT_NE(error.find(" ERROR TARVIK> ColdStart() error opening COM port"), std::string::npos);
    EXPECT_EQ(info[4], '-');
    EXPECT_EQ(info[10], 'T');
    EXPECT_EQ(info[19], '.');
}

TEST_F(PelkcoreTest, ErrDoesNotWaitForASlowLogReader) {
    // A listener that holds the writer thread stands for a log nobody reads.
    std::atomic<bool> release{false};
    int token = SubscribeLog([&](int, const std::string&) {
        while (!release.load()) {
            std::this_thread::yield();
        }
    });
    uint64_t droppedBefore = DroppedLogLines();
    for (int i = 0; i < 10000; ++i) {
        err(8, "TARVIK> line %d", i);
    }
    EXPECT_GT(DroppedLogLines(), droppedBefore) << "a full queue drops instead of waiting";
    release = true;
    FlushLog();
    UnsubscribeLog(token);
}
