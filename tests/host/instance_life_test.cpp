// The whole life of one instance, driven through VpiMain alone, as a host does.
// These cases drive pseudo-terminals through the POSIX stand-in.
#if !defined(_WIN32)

#include <chrono>
#include <cstring>
#include <map>
#include <string>

#include "gates/gate_record.h"
#include "host/lifecycle_fixture.h"
#include "host/vpi_info.h"

namespace {

using namespace std::chrono_literals;

constexpr uint32_t instanceNr = 7;

struct HostGate {
    const char* address;
    uint32_t formatType;
    uint32_t id;
    GateAddr gateAddr{};
    RawValue raw{};
};

float FloatOf(const RawValue& raw) {
    float f;
    std::memcpy(&f, raw.bytes, sizeof f);
    return f;
}

class InstanceLifeTest : public LifecycleTest {
  protected:
    // The host's read or write of one gate, with the block the parser filled.
    int32_t Access(uint32_t command, HostGate& gate) {
        GateRecordAccess record{};
        record.gateAddr = gate.gateAddr;
        record.gateId = gate.id;
        record.rawValue = &gate.raw;
        return Command(command, &record);
    }

    bool WaitForWeight(double weight) {
        return host().WaitFor([&] { return host().StoredValue(101) == weight; }, 10s);
    }
};

TEST_F(InstanceLifeTest, FromGetVpiInfoToEndVpi) {
    VpiInfo info{};
    ASSERT_EQ(Command(CmdGetVpiInfo, &info), 0);
    ASSERT_LE(info.contextSize, sizeof context);

    HostGate gates[] = {{"WEIGHT", 3, 101},   {"TARE", 3, 102},    {"MOTION", 6, 103},
                        {"NEGATIVE", 6, 104}, {"SAMPLE", 0, 105},  {"REACTION", 0, 106},
                        {"SYNC", 0, 107},     {"RETRIES", 0, 108}, {"DEBUG", 6, 109}};
    for (auto& gate : gates) {
        GateRecordParse record{};
        record.address = gate.address;
        record.formatType = gate.formatType;
        ASSERT_EQ(Command(CmdSingleAddressParser, &record), 0) << gate.address;
        gate.gateAddr = record.gateAddr;
        host().BindGate(instanceNr, gate.address, gate.id, gate.formatType);
    }

    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    IndicatorPlayer indicator(pty);
    indicator.Start(MakeFrame("012345", "000100", 2, false, true));

    ASSERT_EQ(ColdStartOn(PortNameOf(pty), 1, info.lineSettings, instanceNr), 0);
    ASSERT_TRUE(WaitForWeight(12345.0));
    ASSERT_TRUE(host().WaitFor([&] { return host().StoredValue(104).has_value(); }));
    EXPECT_EQ(host().StoredValue(102), 100.0);
    EXPECT_EQ(host().StoredValue(103), 1.0); // motion
    EXPECT_EQ(host().StoredValue(104), 0.0); // positive
    ASSERT_TRUE(host().WaitFor([&] { return LoadShared(context.commState) == CommSynchronised; }));

    // Reads of the measured gates hand back what the host holds.
    EXPECT_EQ(Access(CmdSingleRead, gates[0]), 0);
    EXPECT_EQ(FloatOf(gates[0].raw), 12345.0f);
    EXPECT_EQ(Access(CmdSingleRead, gates[1]), 0);
    EXPECT_EQ(FloatOf(gates[1].raw), 100.0f);
    EXPECT_EQ(Access(CmdSingleRead, gates[2]), 0);
    EXPECT_EQ(RawWord(gates[2].raw), 1);
    EXPECT_EQ(Access(CmdSingleRead, gates[3]), 0);
    EXPECT_EQ(RawWord(gates[3].raw), 0);

    // Settings: write each, read it back.
    std::map<std::string, uint16_t> written = {
        {"SAMPLE", 20}, {"REACTION", 1}, {"SYNC", 15}, {"RETRIES", 6}, {"DEBUG", 0}};
    for (int i = 4; i < 9; ++i) {
        SetRawWord(gates[i].raw, written[gates[i].address]);
        EXPECT_EQ(Access(CmdSingleWrite, gates[i]), 0) << gates[i].address;
        gates[i].raw = {};
        ASSERT_TRUE(host().WaitFor([&] { return LoadShared(context.commState) == 0; }));
        EXPECT_EQ(Access(CmdSingleRead, gates[i]), 0) << gates[i].address;
        EXPECT_EQ(RawWord(gates[i].raw), written[gates[i].address]) << gates[i].address;
    }
    // Writes to a measured gate change nothing.
    SetRawWord(gates[0].raw, 3);
    EXPECT_EQ(Access(CmdSingleWrite, gates[0]), 0);

    // The indicator's reading changes; the new value arrives.
    indicator.Set(MakeFrame("001234", "000000", 3, true, false));
    ASSERT_TRUE(WaitForWeight(-123.4f));
    ASSERT_TRUE(host().WaitFor([&] { return host().StoredValue(104) == 1.0; }));

    // The host takes the port away: the thread loses the line, then follows the reopen.
    EXPECT_EQ(Command(CmdCloseCom), 0);
    ASSERT_TRUE(host().WaitForLine("TARVIK> StartThread() COM err 2. Synchronising .."));
    ASSERT_TRUE(host().WaitFor([&] { return LoadShared(context.commState) == CommLost; }));
    EXPECT_EQ(Access(CmdSingleRead, gates[4]), 2);
    EXPECT_EQ(Command(CmdReOpenCom), 0);
    ASSERT_TRUE(host().WaitForLine("TARVIK> StartThread() ... continue communicating"));
    indicator.Set(MakeFrame("000500", "000050", 2));
    ASSERT_TRUE(WaitForWeight(500.0));

    EXPECT_EQ(Command(CmdEndVpi), 0);
    EXPECT_EQ(LoadStopFlag(), StopThreadEnded);
    EXPECT_FALSE(PollingThreadsRunning());
    EXPECT_TRUE(host().HasLine("TARVIK> EndVpi() exited, 0"));
    indicator.Stop();

    // Every value the host received was one the indicator sent intact.
    for (const auto& put : host().CallsOf(HostFn::PutGateVal)) {
        if (put.gateId == 101) {
            EXPECT_TRUE(put.value == 12345.0 || put.value == static_cast<double>(-123.4f) ||
                        put.value == 500.0)
                << put.value;
        }
        EXPECT_EQ(put.args[1], 2u);
    }
}

} // namespace

#endif
