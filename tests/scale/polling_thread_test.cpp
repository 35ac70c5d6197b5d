// The polling thread, run on its own thread as the driver runs it: on a
// scripted line where exact calls matter, and on a pseudo-terminal that plays
// the indicator for the main paths.
// These cases drive the scripted port and ptys of the POSIX stand-in.
#if !defined(_WIN32)
#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "frame_builder.h"
#include "gates/gate_table.h"
#include "host/host_runtime.h"
#include "host/line_settings.h"
#include "host/shared_field.h"
#include "host/stop_flag.h"
#include "indicator.h"
#include "scale/capture.h"
#include "scale/frame.h"
#include "scale/polling_thread.h"
#include "scripted_line.h"
#include "serial/com_port.h"
#include "support/recording_host.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;

constexpr uint8_t instanceNr = 3;
constexpr uint32_t weightId = 101, tareId = 102, motionId = 103, negativeId = 104;

const std::string enteringLoop = "TARVIK> StartThread() Entering loop";
const std::string endOfThread = "TARVIK> StartThread() End of thread";
const std::string comError = "TARVIK> StartThread() COM err 2. Synchronising ..";
const std::string continuing = "TARVIK> StartThread() ... continue communicating";

// The indicator's n-th frame: weight n (negative when n is odd), tare 2n, in
// motion when n is a multiple of 3. Every value tells which frame it came from.
FrameBytes NumberedFrame(int n) {
    const unsigned number = static_cast<unsigned>(n) % 500000;
    char weight[12], tare[12];
    std::snprintf(weight, sizeof weight, "%06u", number);
    std::snprintf(tare, sizeof tare, "%06u", 2 * number);
    const uint8_t statusB = static_cast<uint8_t>(0x20 | (n % 2 ? 0x02 : 0) | (n % 3 ? 0 : 0x08));
    // A checksum that happens to be CR could catch a synchronisation that
    // starts right at it; status word C, which nobody reads, steers it away.
    FrameBytes frame = MakeFrame(0x22, statusB, weight, tare);
    if (frame[17] == 0x0D || frame[17] == 0x02) {
        frame = MakeFrame(0x22, statusB, weight, tare, 0x21);
    }
    return frame;
}

uint32_t RawBits(const RawValue& raw) {
    uint32_t bits;
    std::memcpy(&bits, raw.bytes, sizeof bits);
    return bits;
}

// The raw arguments the host must see for the four gates of one frame, in
// row order, with the polling value's bytes carried from gate to gate.
std::vector<uint32_t> ExpectedRaws(const FrameBytes& frame, RawValue carried) {
    std::vector<uint32_t> raws;
    for (int32_t row = 0; row < polledGateCount; ++row) {
        EXPECT_EQ(DecodeValue(frame.data(), &carried, row), 0);
        raws.push_back(RawBits(carried));
    }
    return raws;
}

class PollingThreadTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        StoreStopFlag(StopRunning);
        // The host's memory holds anything before the thread starts.
        std::memset(&context, 0xEE, sizeof context);
        context.readTimeout = 10;
        context.gateIds = ids;
        std::fill(std::begin(ids), std::end(ids), 0x1234u);
        context.instance = instanceNr;
        context.commState = CommNotSynchronised;
        context.sample = 35;
        context.reaction = 0;
        context.sync = 10;
        context.retries = 5;
        context.debug = 0;
        host().BindGate(instanceNr, "WEIGHT", weightId, 3);
        host().BindGate(instanceNr, "TARE", tareId, 3);
        host().BindGate(instanceNr, "MOTION", motionId, 6);
        host().BindGate(instanceNr, "NEGATIVE", negativeId, 6);
    }
    void TearDown() override {
        if (thread_.joinable()) {
            Stop();
        }
        StoreStopFlag(StopRunning);
        HostTest::TearDown();
    }

    void Start() {
        thread_ = std::thread([this] { StartThread(&context); });
    }
    // Requests the stop and waits for the thread's handshake; returns how
    // long the thread took to answer, or nothing when it did not within 10 s.
    std::optional<Clock::duration> Stop(std::function<void()> unblock = nullptr) {
        const auto begin = Clock::now();
        StoreStopFlag(StopRequested);
        std::optional<Clock::duration> took;
        while (Clock::now() - begin < 10s) {
            if (LoadStopFlag() == StopThreadEnded) {
                took = Clock::now() - begin;
                break;
            }
            std::this_thread::sleep_for(1ms);
        }
        if (!took && unblock) {
            unblock();
        }
        thread_.join();
        EXPECT_EQ(LoadStopFlag(), StopThreadEnded);
        return took;
    }
    bool WaitForCalls(HostFn fn, size_t count, std::chrono::milliseconds timeout = 10s) {
        return host().WaitFor([&] { return host().CallsOf(fn).size() >= count; }, timeout);
    }
    // The gate calls (ids resolved, cooked, stored, flagged) in order.
    std::vector<std::string> GateCalls() {
        std::vector<std::string> out;
        for (const auto& call : host().Calls()) {
            switch (call.fn) {
            case HostFn::GetGateId:
                out.push_back("id " + call.address);
                break;
            case HostFn::Cook:
                out.push_back("cook " + std::to_string(call.gateId));
                break;
            case HostFn::PutGateVal:
                out.push_back("put " + std::to_string(call.gateId));
                break;
            case HostFn::SetGateFlag:
                out.push_back("flag " + std::to_string(call.gateId));
                break;
            default:
                out.push_back("other");
            }
        }
        return out;
    }

    DriverContext context;
    uint32_t ids[polledGateCount];
    std::thread thread_;
};

// ---- On a scripted line -------------------------------------------------

class ScriptedThreadTest : public PollingThreadTest {
  protected:
    void SetUp() override {
        PollingThreadTest::SetUp();
        context.portHandle = line.Handle();
    }
    ScriptedLine line;
};

TEST_F(ScriptedThreadTest, CycleServesAllFourGatesFromOneFrame) {
    // Noise before the first STX, then two frames; the line then stays silent.
    line.AfterDrain(
        Concat({{'n', 'o', 0x0D, 'i'}, Bytes(NumberedFrame(6)), Bytes(NumberedFrame(7))}));
    Start();
    ASSERT_TRUE(host().WaitForLine(comError));
    EXPECT_TRUE(Stop());

    EXPECT_EQ(GateCalls(), (std::vector<std::string>{
                               "id WEIGHT", "cook 101",  "put 101",  "id TARE",  "cook 102",
                               "put 102",   "id MOTION", "cook 103", "put 103",  "id NEGATIVE",
                               "cook 104",  "put 104",   "cook 101", "put 101",  "cook 102",
                               "put 102",   "cook 103",  "put 103",  "cook 104", "put 104"}));
    std::vector<uint32_t> raws;
    for (const auto& call : host().CallsOf(HostFn::Cook)) {
        raws.push_back(call.raw);
        EXPECT_EQ(call.args[0], 0u);
    }
    // Bytes 0-1 of the flags carry what the tare left there.
    RawValue start{};
    const auto first = ExpectedRaws(NumberedFrame(6), start);
    RawValue carried;
    std::memcpy(carried.bytes, &first.back(), 4);
    const auto second = ExpectedRaws(NumberedFrame(7), carried);
    std::vector<uint32_t> expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(raws, expected);
    for (const auto& call : host().CallsOf(HostFn::PutGateVal)) {
        EXPECT_EQ(call.args[0], 0u);
        EXPECT_EQ(call.args[1], 2u);
        EXPECT_EQ(call.args[2], 0u);
        EXPECT_EQ(call.args[3], 0u);
    }
    EXPECT_EQ(host().StoredValue(weightId), -7.0);
    EXPECT_EQ(host().StoredValue(tareId), 14.0);
    EXPECT_EQ(host().StoredValue(motionId), 0.0);
    EXPECT_EQ(host().StoredValue(negativeId), 1.0);
}

TEST_F(ScriptedThreadTest, StartsCleanOnAnyHostMemory) {
    // The first synchronisation fails: the first capture still asks for a
    // whole frame into the first buffer, and the link stays "not yet
    // synchronised" until a recovery.
    context.received = 200;
    line.Fail();
    for (int n = 1; n <= 40; ++n) {
        line.Add(Bytes(NumberedFrame(n)));
    }
    Start();
    ASSERT_TRUE(WaitForCalls(HostFn::PutGateVal, 8));
    EXPECT_EQ(LoadShared(context.commState), CommNotSynchronised);
    ASSERT_TRUE(host().WaitForLine(comError));
    EXPECT_TRUE(Stop());
    const auto sizes = line.ReadSizes();
    ASSERT_GE(sizes.size(), 2u);
    EXPECT_EQ(sizes[0], 1u);
    EXPECT_EQ(sizes[1], 18u);
    const Lines texts = host().Texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[0], "TARVIK> Synchronise() Error 7 reading char");
    EXPECT_EQ(texts[1], enteringLoop);
    EXPECT_EQ(host().StoredValue(weightId), 40.0);
    EXPECT_EQ(context.valueSlot, nullptr);
}

TEST_F(ScriptedThreadTest, UndecodableWeightFlagsThatGateOnly) {
    line.AfterDrain(
        Concat({Tail(NumberedFrame(0), 16), Bytes(MakeFrame(0x22, 0x28, "  ab  ", "000042"))}));
    Start();
    ASSERT_TRUE(host().WaitForLine(comError));
    EXPECT_TRUE(Stop());
    EXPECT_EQ(GateCalls(), (std::vector<std::string>{"id WEIGHT", "flag 101", "id TARE", "cook 102",
                                                     "put 102", "id MOTION", "cook 103", "put 103",
                                                     "id NEGATIVE", "cook 104", "put 104"}));
    const auto flags = host().CallsOf(HostFn::SetGateFlag);
    ASSERT_EQ(flags.size(), 1u);
    EXPECT_EQ(flags[0].args[0], 0u);
    EXPECT_EQ(flags[0].args[1], 1u);
    EXPECT_EQ(flags[0].args[2], 1u);
    EXPECT_EQ(host().StoredValue(tareId), 42.0);
    EXPECT_EQ(host().StoredValue(motionId), 1.0);
}

TEST_F(ScriptedThreadTest, CookErrorAndUnboundGateAreAskedForAgain) {
    host().Reset(); // MOTION stays unbound
    host().BindGate(instanceNr, "WEIGHT", weightId, 3);
    host().BindGate(instanceNr, "TARE", tareId, 3);
    host().BindGate(instanceNr, "NEGATIVE", negativeId, 6);
    host().FailCook(tareId, 77);
    line.AfterDrain(
        Concat({Tail(NumberedFrame(0), 16), Bytes(NumberedFrame(1)), Bytes(NumberedFrame(2))}));
    Start();
    ASSERT_TRUE(host().WaitForLine(comError));
    EXPECT_TRUE(Stop());
    const std::vector<std::string> cycle1 = {"id WEIGHT",   "cook 101", "put 101",
                                             "id TARE",     "cook 102", "id MOTION",
                                             "id NEGATIVE", "cook 104", "put 104"};
    const std::vector<std::string> cycle2 = {"cook 101",  "put 101",  "id TARE", "cook 102",
                                             "id MOTION", "cook 104", "put 104"};
    std::vector<std::string> expected = cycle1;
    expected.insert(expected.end(), cycle2.begin(), cycle2.end());
    EXPECT_EQ(GateCalls(), expected);
    EXPECT_EQ(host().CountLines("TARVIK> StartThread() Cook err. 77 for gate TARE"), 2u);
    EXPECT_EQ(ids[RowTare], unresolvedGateId);
    EXPECT_EQ(ids[RowMotion], unresolvedGateId);
    EXPECT_EQ(ids[RowWeight], weightId);
}

TEST_F(ScriptedThreadTest, ReactionServesTheLastOfItsFrames) {
    context.reaction = 2;
    line.AfterDrain(
        Concat({Tail(NumberedFrame(0), 16), Bytes(NumberedFrame(1)), Bytes(NumberedFrame(2)),
                Bytes(NumberedFrame(3)), Bytes(NumberedFrame(4))}));
    Start();
    ASSERT_TRUE(host().WaitForLine(comError));
    EXPECT_TRUE(Stop());
    // One cycle, from frame 3; frame 4 alone is not enough for another.
    EXPECT_EQ(host().CallsOf(HostFn::PutGateVal).size(), 4u);
    EXPECT_EQ(host().StoredValue(weightId), -3.0);
    EXPECT_EQ(host().StoredValue(tareId), 6.0);
}

TEST_F(ScriptedThreadTest, StopAlreadyRequestedServesNoGate) {
    line.AfterDrain(Bytes(NumberedFrame(1)));
    StoreStopFlag(StopRequested);
    Start();
    thread_.join();
    EXPECT_EQ(LoadStopFlag(), StopThreadEnded);
    EXPECT_EQ(host().Texts(), (Lines{enteringLoop, endOfThread}));
    EXPECT_TRUE(host().Calls().empty());
    for (uint32_t id : ids) {
        EXPECT_EQ(id, unresolvedGateId);
    }
    EXPECT_EQ(context.currentFrame, context.frameBuffers[0]);
    EXPECT_EQ(context.received, 0);
}

TEST_F(ScriptedThreadTest, OnlyLaterCyclesBeginWithTheSamplePause) {
    context.sample = 1500;
    line.AfterDrain(
        Concat({Tail(NumberedFrame(0), 16), Bytes(NumberedFrame(1)), Bytes(NumberedFrame(2))}));
    const auto begin = Clock::now();
    Start();
    ASSERT_TRUE(WaitForCalls(HostFn::PutGateVal, 4));
    const auto first = Clock::now() - begin;
    ASSERT_TRUE(WaitForCalls(HostFn::PutGateVal, 8));
    const auto second = Clock::now() - begin;
    EXPECT_TRUE(Stop());
    EXPECT_LT(first, 1000ms);
    EXPECT_GE(second - first, 1400ms);
}

TEST_F(ScriptedThreadTest, OutageAndRecoveryAreDumpedWithDebugOn) {
    context.debug = 1;
    context.retries = 1;
    line.AfterDrain(Concat({Tail(NumberedFrame(0), 16), Bytes(NumberedFrame(1))}));
    Start();
    ASSERT_TRUE(host().WaitForLine(comError));
    line.AfterDrain(Concat({Tail(NumberedFrame(1), 16), Bytes(NumberedFrame(2))}));
    ASSERT_TRUE(host().WaitForLine(continuing));
    ASSERT_TRUE(WaitForCalls(HostFn::PutGateVal, 8));
    EXPECT_TRUE(Stop());
    const Lines texts = host().Texts();
    for (const auto& marker : {comError, continuing}) {
        SCOPED_TRACE(marker);
        size_t at = 0;
        while (at < texts.size() && texts[at] != marker) {
            ++at;
        }
        ASSERT_LT(at + 2, texts.size());
        EXPECT_EQ(texts[at + 1].rfind("TARVIK> Dump() ", 0), 0u);
        EXPECT_EQ(texts[at + 1].size(), 122u);
        EXPECT_EQ(texts[at + 2].rfind("TARVIK> Dump() Index ", 0), 0u);
    }
    EXPECT_EQ(host().StoredValue(weightId), 2.0);
}

TEST(InterruptibleWait, SleepsInSlicesUntilAStopIsRequested) {
    StoreStopFlag(StopRunning);
    auto timed = [](int32_t ms) {
        const auto begin = Clock::now();
        InterruptibleWait(ms);
        return Clock::now() - begin;
    };
    EXPECT_GE(timed(1000), 1000ms);
    EXPECT_LT(timed(0), 100ms);

    // A stop during the first of two slices ends the wait after that slice.
    std::thread stopper([] {
        std::this_thread::sleep_for(100ms);
        StoreStopFlag(StopRequested);
    });
    const auto took = timed(1400);
    stopper.join();
    EXPECT_GE(took, 650ms);
    EXPECT_LT(took, 1300ms);

    // Already requested: no sleep at all.
    EXPECT_LT(timed(5000), 100ms);
    StoreStopFlag(StopRunning);
}

// ---- On a pseudo-terminal that plays the indicator ----------------------

class LineThreadTest : public PollingThreadTest {
  protected:
    void SetUp() override {
        PollingThreadTest::SetUp();
        ASSERT_TRUE(indicator.pair().ok());
        Open();
    }
    void TearDown() override {
        indicator.Silence();
        if (thread_.joinable()) {
            Stop();
        }
        ComPortClose(LoadShared(context.portHandle));
        PollingThreadTest::TearDown();
    }
    // Opens the port as the driver does and hands the handle to the thread.
    void Open() {
        HANDLE handle = nullptr;
        const LineSettings settings{9600, 7, 0, 2};
        ASSERT_EQ(ComPortOpen(indicator.pair().path().c_str(), &settings, 0x0303, &handle), 0);
        ComPortSetTimeout(handle, static_cast<int32_t>(context.readTimeout));
        StoreShared(context.portHandle, handle);
    }
    void StreamNumbered() {
        indicator.Stream([](int n) { return Bytes(NumberedFrame(n)); });
    }
    // The frame number of each served cycle, checked to be one frame's values.
    std::vector<int> ServedFrames() {
        std::vector<int> frames;
        const auto cooks = host().CallsOf(HostFn::Cook);
        RawValue carried{};
        for (size_t at = 0; at + 4 <= cooks.size(); at += 4) {
            float weight;
            std::memcpy(&weight, &cooks[at].raw, 4);
            const int n = static_cast<int>(std::lround(std::fabs(weight)));
            const auto expected = ExpectedRaws(NumberedFrame(n), carried);
            for (int row = 0; row < 4; ++row) {
                EXPECT_EQ(cooks[at + row].gateId, weightId + row);
                EXPECT_EQ(cooks[at + row].raw, expected[row]) << "frame " << n << " row " << row;
            }
            std::memcpy(carried.bytes, &expected.back(), 4);
            frames.push_back(n);
        }
        return frames;
    }

    Indicator indicator;
};

TEST_F(LineThreadTest, StreamPickedUpMidFrameIsServedCycleByCycle) {
    StreamNumbered();
    std::this_thread::sleep_for(30ms); // the thread joins a running stream
    Start();
    ASSERT_TRUE(WaitForCalls(HostFn::Cook, 4 * 6));
    EXPECT_TRUE(Stop());

    const auto frames = ServedFrames();
    ASSERT_GE(frames.size(), 6u);
    for (size_t i = 1; i < frames.size(); ++i) {
        EXPECT_GT(frames[i], frames[i - 1]) << "a cycle served an old frame";
    }
    EXPECT_EQ(host().CallsOf(HostFn::GetGateId).size(), 4u);
    const Lines texts = host().Texts();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts.back(), endOfThread);
    EXPECT_EQ(host().CountLines(enteringLoop), 1u);
    for (const auto& text : texts) {
        EXPECT_EQ(text.find("CatchValue()"), std::string::npos) << text;
        EXPECT_EQ(text.find("StartThread() COM"), std::string::npos) << text;
    }
    // The lock-on ended on a checksum: the last byte after the first CR.
    size_t lockLine = 0;
    while (lockLine < texts.size() && texts[lockLine].find("Last ascii") == std::string::npos) {
        ++lockLine;
    }
    ASSERT_LT(lockLine, texts.size());
    EXPECT_EQ(LoadShared(context.commState), CommSynchronised);
}

TEST_F(LineThreadTest, FramesInPiecesAreJoined) {
    context.debug = 1;
    // Of every four frames the first comes in two pieces, the second piece
    // after a pause longer than the read time-out: five messages per group.
    indicator.Stream(
        [](int n) {
            static constexpr int frameOf[] = {0, 0, 1, 2, 3};
            const FrameBytes f = NumberedFrame(n / 5 * 4 + frameOf[n % 5]);
            if (n % 5 == 0) {
                return std::vector<uint8_t>(f.begin(), f.begin() + 10);
            }
            return n % 5 == 1 ? Tail(f, 10) : Bytes(f);
        },
        [](int n) { return n % 5 == 0 ? 300ms : 0ms; });
    Start();
    ASSERT_TRUE(host().WaitForLine("TARVIK> CatchValue() Message incomplete 10 < 18 - 0"));
    const size_t cooks = host().CallsOf(HostFn::Cook).size();
    ASSERT_TRUE(WaitForCalls(HostFn::Cook, cooks + 4 * 4));
    EXPECT_TRUE(Stop());
    EXPECT_GE(ServedFrames().size(), 4u);
}

TEST_F(LineThreadTest, RejectedFramesAreNeverServed) {
    // Every fifth frame has a bad checksum, the one after it its CR one place
    // early: the capture drops them, re-synchronises and serves the good ones.
    // (An early CR can also catch the synchronisation, which then locks on one
    // byte short; the rejections that follow may use up the capture's
    // retries, and the thread recovers as from a lost line.)
    indicator.Stream([](int n) {
        FrameBytes f = NumberedFrame(n);
        if (n % 5 == 3) {
            f[17] = static_cast<uint8_t>((f[17] + 1) & 0x7F);
        } else if (n % 5 == 4) {
            f[15] = 0x0D;
            f[16] = '0';
        }
        return Bytes(f);
    });
    Start();
    ASSERT_TRUE(WaitForCalls(HostFn::Cook, 4 * 12, 20s));
    ASSERT_TRUE(host().WaitFor([&] {
        return host().CountLines("TARVIK> RetryFirst() Com. synchr. succesful (rl 4)") >= 2;
    }));
    const Lines texts = host().Texts();
    EXPECT_TRUE(Stop());
    for (int n : ServedFrames()) {
        EXPECT_NE(n % 5, 3) << n;
        EXPECT_NE(n % 5, 4) << n;
    }
    bool rejected = false;
    for (const auto& text : texts) {
        rejected = rejected ||
                   text.rfind("TARVIK> CatchValue() Checksum compare failure (", 0) == 0 ||
                   text.rfind("TARVIK> CatchValue() no CR where expected (", 0) == 0;
    }
    EXPECT_TRUE(rejected);
}

TEST_F(LineThreadTest, SilenceIsOneOutageInTheLog) {
    StreamNumbered();
    Start();
    ASSERT_TRUE(WaitForCalls(HostFn::PutGateVal, 8));
    indicator.Silence();
    ASSERT_TRUE(host().WaitForLine(comError));
    // The line comes first, then the state.
    EXPECT_TRUE(host().WaitFor([&] { return LoadShared(context.commState) == CommLost; }));
    const size_t putsAtOutage = host().CallsOf(HostFn::PutGateVal).size();
    std::this_thread::sleep_for(1500ms); // several failed recoveries
    EXPECT_EQ(host().CallsOf(HostFn::PutGateVal).size(), putsAtOutage);
    EXPECT_FALSE(host().HasLine(continuing));

    StreamNumbered();
    ASSERT_TRUE(host().WaitForLine(continuing));
    ASSERT_TRUE(WaitForCalls(HostFn::PutGateVal, putsAtOutage + 8));
    EXPECT_TRUE(Stop());

    EXPECT_EQ(host().CountLines(comError), 1u);
    EXPECT_EQ(host().CountLines(continuing), 1u);
    EXPECT_EQ(host().CountLines("TARVIK> CatchValue() COM reading failure for all retries"), 1u);
    EXPECT_EQ(host().CountLines("TARVIK> RetryFirst() Com. synchr. error for all retries"), 0u);
    EXPECT_EQ(host().CountLines("TARVIK> Synchronise() Error 7 reading char"), 0u);
    EXPECT_EQ(LoadShared(context.commState), CommSynchronised);
    ServedFrames();
}

TEST_F(LineThreadTest, StopDuringRecoveryEndsWithinOneSlice) {
    context.sample = 5000; // a recovery wait of seven slices
    Start();               // a silent line: the first capture fails
    ASSERT_TRUE(host().WaitForLine(comError));
    std::this_thread::sleep_for(100ms);
    const auto took = Stop();
    ASSERT_TRUE(took);
    EXPECT_LT(*took, 2500ms);
    EXPECT_FALSE(host().HasLine(continuing));
    EXPECT_EQ(host().Texts().back(), endOfThread);
    EXPECT_TRUE(host().CallsOf(HostFn::PutGateVal).empty());
}

TEST_F(LineThreadTest, PortClosedUnderTheThread) {
    StreamNumbered();
    Start();
    ASSERT_TRUE(WaitForCalls(HostFn::PutGateVal, 4));
    // What CloseCom does on the host's thread.
    const HANDLE old = LoadShared(context.portHandle);
    EXPECT_EQ(ComPortClose(old), 0);
    StoreShared(context.portHandle, nullptr);
    ASSERT_TRUE(host().WaitForLine(comError));
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(host().HasLine(continuing));
    // And ReOpenCom.
    Open();
    ASSERT_TRUE(host().WaitForLine(continuing));
    const size_t puts = host().CallsOf(HostFn::PutGateVal).size();
    ASSERT_TRUE(WaitForCalls(HostFn::PutGateVal, puts + 8));
    EXPECT_TRUE(Stop());
    ServedFrames();
}

TEST_F(LineThreadTest, EndlessStxBytesDoNotHoldAStoppingThread) {
    // STX bytes without end never bring the CR that ends a synchronisation.
    indicator.Stream([](int) { return std::vector<uint8_t>{0x02}; });
    Start();
    ASSERT_TRUE(host().WaitFor([&] {
        return host().CountLines("TARVIK> Synchronise() Received STX char at count = 1") > 20;
    }));
    const auto took = Stop([&] { indicator.Silence(); });
    ASSERT_TRUE(took) << "the thread did not end while the STX bytes kept coming";
    EXPECT_LT(*took, 2000ms);
    EXPECT_EQ(host().Texts().back(), endOfThread);
}

} // namespace

#endif
