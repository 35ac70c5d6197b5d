#include <cstring>
#include <string>

#include "gates/gate_record.h"
#include "host/driver_context.h"
#include "host/shared_field.h"
#include "host/vpi_main.h"
#include "support/recording_host.h"

namespace {

constexpr uint32_t gateId = 4711;

// A synchronised instance with the default settings and one gate record.
class SingleAccessTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        std::memset(&context, 0, sizeof context);
        context.commState = CommSynchronised;
        context.sample = 35;
        context.reaction = 0;
        context.sync = 10;
        context.retries = 5;
        context.debug = 0;
        std::memset(&raw, 0xEE, sizeof raw);
    }

    void SetGate(int32_t nr) {
        std::memset(&record, 0, sizeof record);
        record.gateAddr = {0, nr < 4 ? 1 : 0, nr, -1, 16};
        record.gateId = gateId;
        record.rawValue = &raw;
    }

    int32_t Read(int32_t nr) {
        SetGate(nr);
        VpiRequest request{&context, 5, 0, 0, &record};
        return VpiMain(&request);
    }

    int32_t Write(int32_t nr, uint16_t value) {
        SetGate(nr);
        raw = {};
        SetRawWord(raw, value);
        VpiRequest request{&context, 7, 0, 0, &record};
        return VpiMain(&request);
    }

    DriverContext context;
    GateRecordAccess record;
    RawValue raw;
};

TEST_F(SingleAccessTest, ReadBeforeSynchronisationDoesNothing) {
    context.commState = CommNotSynchronised;
    for (int32_t nr : {0, 4}) {
        EXPECT_EQ(Read(nr), 0);
    }
    EXPECT_TRUE(host().Calls().empty());
    EXPECT_EQ(raw.bytes[0], 0xEE);
    EXPECT_EQ(raw.bytes[3], 0xEE);
}

TEST_F(SingleAccessTest, ReadWithoutCommunicationIsRefusedForEveryGate) {
    context.commState = CommLost;
    for (int32_t nr : {0, 4, 8}) {
        EXPECT_EQ(Read(nr), 2);
    }
    EXPECT_EQ(host().CountLines("TARVIK> SingleRead() no PLC communication"), 3u);
    EXPECT_TRUE(host().Calls().empty());
}

TEST_F(SingleAccessTest, ReadOfASettingHandsItsValueToUnCook) {
    struct Case {
        int32_t nr;
        double value;
    } cases[] = {{4, 35}, {5, 0}, {6, 10}, {7, 5}, {8, 0}};
    for (const auto& c : cases) {
        host().Reset();
        EXPECT_EQ(Read(c.nr), 0);
        auto calls = host().CallsOf(HostFn::UnCook);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].value, c.value) << "row " << c.nr;
        EXPECT_EQ(calls[0].gateId, gateId);
        EXPECT_EQ(RawWord(raw), static_cast<uint16_t>(c.value));
    }
    EXPECT_TRUE(host().CallsOf(HostFn::GetGateVal).empty());
}

TEST_F(SingleAccessTest, ReadOfAMeasuredGateRaisesCommStateDuringTheHostCall) {
    host().BindGate(0, "WEIGHT", gateId, 3);
    host().SetStoredValue(gateId, -123.4);
    uint8_t during = 0xFF;
    host().OnGetGateVal([&] { during = LoadShared(context.commState); });

    EXPECT_EQ(Read(0), 0);
    EXPECT_EQ(during, CommNotSynchronised);
    EXPECT_EQ(context.commState, CommSynchronised);
    auto get = host().CallsOf(HostFn::GetGateVal);
    ASSERT_EQ(get.size(), 1u);
    EXPECT_EQ(get[0].args[0], 0u);
    EXPECT_EQ(get[0].args[1], 16u);
    float f;
    std::memcpy(&f, raw.bytes, sizeof f);
    EXPECT_EQ(f, -123.4f);
}

TEST_F(SingleAccessTest, AFailureStoredDuringTheHostCallSurvives) {
    host().OnGetGateVal([&] { StoreShared(context.commState, CommLost); });
    EXPECT_EQ(Read(1), 0);
    EXPECT_EQ(context.commState, CommLost);
}

TEST_F(SingleAccessTest, AReadFromInsideTheHostCallReturnsAtOnce) {
    int32_t nested = -1;
    host().OnGetGateVal([&] {
        GateRecordAccess inner{};
        RawValue innerRaw{};
        inner.gateAddr = {0, 1, 0, -1, 32};
        inner.gateId = gateId;
        inner.rawValue = &innerRaw;
        VpiRequest request{&context, 5, 0, 0, &inner};
        nested = VpiMain(&request);
    });
    EXPECT_EQ(Read(0), 0);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(host().CallsOf(HostFn::GetGateVal).size(), 1u);
}

TEST_F(SingleAccessTest, HostFailuresAreLoggedAndPassedOn) {
    host().FailGetGateVal(gateId, 0x1234);
    EXPECT_EQ(Read(1), 0x1234);
    EXPECT_EQ(context.commState, CommSynchronised);
    EXPECT_TRUE(host().CallsOf(HostFn::UnCook).empty());
    EXPECT_TRUE(
        host().HasLine("TARVIK> SingleRead() Pelk5GetGateVal() returned 4660 for gate TARE"));

    host().Reset();
    host().FailUnCook(gateId, 9);
    EXPECT_EQ(Read(7), 9);
    EXPECT_TRUE(host().HasLine("TARVIK> SingleRead() UnCook err. 9 for gate RETRIES"));
}

TEST_F(SingleAccessTest, ReadOfABlockTheParserNeverFilledStillConverts) {
    SetGate(12);
    record.gateAddr.polled = 0;
    VpiRequest request{&context, 5, 0, 0, &record};
    host().FailUnCook(gateId, 3);
    EXPECT_EQ(VpiMain(&request), 3);
    auto calls = host().CallsOf(HostFn::UnCook);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].value, 0.0);
    EXPECT_EQ(host().Texts(), (std::vector<std::string>{
                                  "TARVIK> SingleRead() Unexpected gateAddr.nr. 12",
                                  "TARVIK> SingleRead() UnCook err. 3 for gate (no such gate)"}));
}

TEST_F(SingleAccessTest, WriteTakesValuesWithinTheBoundsOnly) {
    struct Case {
        int32_t nr;
        uint16_t value;
        int32_t result;
        const char* line;
    } cases[] = {
        {4, 10000, 0, "TARVIK> SingleWrite() SAMPLE = 10000"},
        {4, 10001, 1, nullptr},
        {4, 0, 0, "TARVIK> SingleWrite() SAMPLE = 0"},
        {5, 20, 0, "TARVIK> SingleWrite() REACTION = 20"},
        {5, 21, 1, nullptr},
        {6, 2000, 0, "TARVIK> SingleWrite() SYNC = 2000"},
        {6, 2001, 1, nullptr},
        {7, 20, 0, "TARVIK> SingleWrite() RETRIES = 20"},
        {7, 21, 1, nullptr},
        {8, 1, 0, "TARVIK> SingleWrite() Debug information flag = 1"},
        {8, 2, 1, nullptr},
        {8, 0xFFFF, 1, nullptr},
    };
    for (const auto& c : cases) {
        host().Reset();
        DriverContext before = context;
        EXPECT_EQ(Write(c.nr, c.value), c.result) << "row " << c.nr << " value " << c.value;
        uint32_t stored = 0;
        switch (c.nr) {
        case 4:
            stored = context.sample;
            break;
        case 5:
            stored = context.reaction;
            break;
        case 6:
            stored = context.sync;
            break;
        case 7:
            stored = context.retries;
            break;
        default:
            stored = context.debug;
            break;
        }
        if (c.line != nullptr) {
            EXPECT_EQ(stored, c.value);
            EXPECT_EQ(host().Lines(), (std::vector<LogLine>{{8, c.line}}));
        } else {
            EXPECT_EQ(std::memcmp(&before, &context, sizeof context), 0) << "setting changed";
            EXPECT_TRUE(host().Lines().empty());
        }
    }
}

TEST_F(SingleAccessTest, WriteIgnoresCommStateAndMeasuredGates) {
    context.commState = CommLost;
    EXPECT_EQ(Write(4, 100), 0);
    EXPECT_EQ(context.sample, 100);

    DriverContext before = context;
    for (int32_t nr : {0, 1, 2, 3}) {
        EXPECT_EQ(Write(nr, 7), 0);
    }
    EXPECT_EQ(std::memcmp(&before, &context, sizeof context), 0);
}

TEST_F(SingleAccessTest, WriteToABlockNamingNoSettingIsRefused) {
    for (int32_t nr : {-1, 9, 1000}) {
        host().Reset();
        SetGate(nr);
        record.gateAddr.polled = 0;
        VpiRequest request{&context, 7, 0, 0, &record};
        EXPECT_EQ(VpiMain(&request), 1);
        EXPECT_EQ(host().Texts(),
                  (std::vector<std::string>{"TARVIK> SingleWrite() Impossible gateAddr"}));
    }
}

} // namespace
