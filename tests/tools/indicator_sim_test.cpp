// The simulator's messages as the driver reads them: every message it builds
// passes the checksum test and decodes to the reading it was meant to carry;
// every fault breaks a message in the way it claims; scenarios play the
// readings they describe.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <set>

#include "faults.h"
#include "frame_builder.h"
#include "pelkcore.h"
#include "scale/frame.h"
#include "scenario.h"
#include "send_log.h"

using namespace sim;

namespace {

float DecodeFloat(const Frame& frame, int index) {
    RawValue raw{};
    EXPECT_EQ(DecodeValue(frame.data(), &raw, index), 0);
    return std::bit_cast<float>(pelkcore::RawWordOf(raw));
}

uint16_t DecodeFlag(const Frame& frame, int index) {
    RawValue raw{};
    EXPECT_EQ(DecodeValue(frame.data(), &raw, index), 0);
    return RawWord(raw);
}

} // namespace

TEST(FrameBuilder, MatchesKnownMessagesByteForByte) {
    struct Case {
        Reading reading;
        const char* hex;
    } cases[] = {
        {{1234, true, 0, 3, false}, "022322203030313233343030303030300d42"},
        {{12345, false, 100, 2, true}, "022228203031323334353030303130300d37"},
    };
    for (const Case& c : cases) {
        Frame frame = BuildFrame(c.reading);
        EXPECT_EQ(HexOf(frame.data(), frame.size()), c.hex);
    }
}

TEST(FrameBuilder, EveryMessageChecksAndDecodesToItsReading) {
    struct Case {
        double weight, tare;
        uint8_t code;
        bool motion;
    } cases[] = {
        {0, 0, 2, false},          {500, 25.4, 3, true},       {-25.4, 0, 3, false},
        {-123.4, 10, 3, true},     {1200, 0, 0, false},        {1230, 100, 1, false},
        {999999, 999999, 2, true}, {40000, 0, 2, false},       {12.34, 1.5, 4, false},
        {1.234, 0.5, 5, true},     {0.1234, 0.0001, 6, false}, {0.00001, 0.00002, 7, false},
        {-0.99999, 0, 7, true},
    };
    for (const Case& c : cases) {
        Reading reading = ReadingFor(c.weight, c.tare, c.code, c.motion);
        Frame frame = BuildFrame(reading);
        SCOPED_TRACE(HexOf(frame.data(), frame.size()));
        EXPECT_EQ(VerifyChecksum(frame.data()), 0);
        EXPECT_EQ(frame[16], 0x0D);
        // The driver's single-precision steps may differ from the displayed
        // value in the last place, never more.
        float weight = DecodeFloat(frame, 0);
        float tare = DecodeFloat(frame, 1);
        EXPECT_NEAR(weight, DisplayedWeight(reading), std::fabs(c.weight) * 1e-6 + 1e-9);
        EXPECT_NEAR(tare, DisplayedTare(reading), std::fabs(c.tare) * 1e-6 + 1e-9);
        EXPECT_NEAR(DisplayedWeight(reading), c.weight, CodeFactor(c.code) / 2);
        EXPECT_EQ(DecodeFlag(frame, 2), c.motion ? 8 : 0);
        EXPECT_EQ(DecodeFlag(frame, 3), reading.negative ? 1 : 0);
        EXPECT_EQ(reading.negative, c.weight < 0);
    }
}

TEST(FrameBuilder, ReadingsAreWhatTheDisplayShows) {
    // Rounded to whole counts, no "minus zero", held to six digits.
    Reading small = ReadingFor(-0.04, 0, 3, false);
    EXPECT_EQ(small.weightCounts, 0u);
    EXPECT_FALSE(small.negative);
    EXPECT_EQ(ReadingFor(123.46, 0, 3, false).weightCounts, 1235u);
    EXPECT_EQ(ReadingFor(2e9, 5e9, 2, false).weightCounts, maxCounts);
    EXPECT_EQ(ReadingFor(2e9, 5e9, 2, false).tareCounts, maxCounts);
    EXPECT_EQ(ReadingFor(NAN, 0, 2, false).weightCounts, 0u);

    struct Case {
        uint32_t counts;
        bool negative;
        uint8_t code;
        const char* text;
    } texts[] = {
        {1234, true, 3, "-123.4"}, {12, false, 0, "1200"},    {0, false, 0, "0"},
        {5, false, 2, "5"},        {12, false, 7, "0.00012"}, {100, false, 4, "1.00"},
    };
    for (const auto& t : texts) {
        EXPECT_EQ(DisplayText(t.counts, t.negative, t.code), t.text);
    }
}

TEST(Faults, EachKindBreaksTheMessageAsItSays) {
    Frame frame = BuildFrame(ReadingFor(500, 25.4, 3, false));
    Random random(3);
    auto Only = [](double FaultRates::*field) {
        FaultRates rates;
        rates.*field = 1.0;
        return rates;
    };
    for (int i = 0; i < 200; ++i) {
        SentBytes checksum = ApplyFaults(frame, Only(&FaultRates::checksum), random);
        ASSERT_EQ(checksum.damage, "checksum");
        ASSERT_EQ(checksum.bytes.size(), 18u);
        EXPECT_EQ(VerifyChecksum(checksum.bytes.data()), 1);

        SentBytes cr = ApplyFaults(frame, Only(&FaultRates::cr), random);
        ASSERT_EQ(cr.bytes.size(), 18u);
        EXPECT_EQ(cr.bytes[0], 0x02);
        EXPECT_NE(cr.bytes[16], 0x0D);
        EXPECT_EQ(VerifyChecksum(cr.bytes.data()), 0) << "only the CR is out of place";

        EXPECT_EQ(ApplyFaults(frame, Only(&FaultRates::drop), random).bytes.size(), 17u);
        SentBytes truncated = ApplyFaults(frame, Only(&FaultRates::truncate), random);
        EXPECT_GE(truncated.bytes.size(), 1u);
        EXPECT_LE(truncated.bytes.size(), 17u);
        SentBytes noise = ApplyFaults(frame, Only(&FaultRates::noise), random);
        ASSERT_GT(noise.bytes.size(), 18u);
        EXPECT_NE(std::memcmp(noise.bytes.data(), frame.data(), 18), 0)
            << "stray bytes land inside the message";
    }
    SentBytes clean = ApplyFaults(frame, FaultRates{}, random);
    EXPECT_TRUE(clean.damage.empty());
    EXPECT_EQ(clean.bytes, std::vector<uint8_t>(frame.begin(), frame.end()));
}

TEST(Faults, ThePatternReplaysFromItsSeed) {
    Frame frame = BuildFrame(ReadingFor(100, 5, 3, false));
    FaultRates rates{0.1, 0.1, 0.1, 0.1, 0.1};
    auto Play = [&](uint64_t seed) {
        Random random(seed);
        std::vector<std::vector<uint8_t>> out;
        for (int i = 0; i < 500; ++i) {
            out.push_back(ApplyFaults(frame, rates, random).bytes);
        }
        return out;
    };
    auto first = Play(42);
    EXPECT_EQ(first, Play(42));
    EXPECT_NE(first, Play(43));
    size_t damaged = 0;
    for (const auto& bytes : first) {
        damaged += bytes != std::vector<uint8_t>(frame.begin(), frame.end());
    }
    // Five kinds at 10 % each: about 41 % of the messages.
    EXPECT_GT(damaged, 120u);
    EXPECT_LT(damaged, 300u);
}

TEST(Scenario, PlaysProfilesWithTareCodesAndOutages) {
    std::string error;
    auto scenario = ParseScenario("seed 9\n"
                                  "dp 3   # tenths\n"
                                  "hold 1s weight=-12.3\n"
                                  "tare 25.4\n"
                                  "ramp 2s from=0 to=500 settle=1s\n"
                                  "faults checksum=0.5\n"
                                  "steps 3s from=0 to=300 count=3\n"
                                  "faults off\n"
                                  "silence 500ms\n"
                                  "away 1.5s\n"
                                  "loop\n",
                                  &error);
    ASSERT_TRUE(scenario) << error;
    EXPECT_EQ(scenario->seed, 9u);
    EXPECT_EQ(scenario->TotalMs(), 1000 + 3000 + 3000 + 500 + 1500);

    Moment hold = MomentAt(*scenario, 500);
    EXPECT_EQ(DisplayedWeight(hold.reading), -12.3);
    EXPECT_TRUE(hold.reading.negative);
    EXPECT_EQ(hold.reading.tareCounts, 0u) << "the tare line applies to later steps";

    Moment moving = MomentAt(*scenario, 2000);
    EXPECT_TRUE(moving.reading.motion);
    EXPECT_NEAR(DisplayedWeight(moving.reading), 250, 0.1);
    EXPECT_EQ(DisplayedTare(moving.reading), 25.4);
    EXPECT_EQ(moving.reading.decimalCode, 3);
    Moment settled = MomentAt(*scenario, 3900);
    EXPECT_FALSE(settled.reading.motion);
    EXPECT_EQ(DisplayedWeight(settled.reading), 500);

    EXPECT_EQ(DisplayedWeight(MomentAt(*scenario, 4600).reading), 100);
    EXPECT_EQ(MomentAt(*scenario, 4600).faults.checksum, 0.5);
    EXPECT_EQ(DisplayedWeight(MomentAt(*scenario, 6900).reading), 300);
    EXPECT_EQ(MomentAt(*scenario, 7200).kind, SegmentKind::Silence);
    EXPECT_FALSE(MomentAt(*scenario, 7200).faults.Any());
    EXPECT_EQ(MomentAt(*scenario, 8000).kind, SegmentKind::Away);
    EXPECT_EQ(MomentAt(*scenario, 9000 + 500).segment, 0u) << "loop starts again";
    EXPECT_FALSE(MomentAt(*scenario, 100000).finished);

    auto once = ParseScenario("hold 1s weight=5\n", &error);
    ASSERT_TRUE(once);
    EXPECT_TRUE(MomentAt(*once, 1000).finished);
}

TEST(Scenario, BuiltinsParse) {
    for (const std::string& name : BuiltinScenarioNames()) {
        std::string error;
        EXPECT_TRUE(ParseScenario(BuiltinScenario(name), &error)) << name << ": " << error;
    }
    EXPECT_TRUE(BuiltinScenario("nonesuch").empty());
}

TEST(Scenario, ErrorsNameTheLine) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"hold 1s weight=1\nwobble 2s\n", "line 2: unknown step \"wobble\""},
        {"hold weight=1\n", "line 1: \"hold\" needs a duration such as 2s or 500ms"},
        {"hold 1s\n", "line 1: \"hold\" needs weight="},
        {"ramp 1s from=0 to=x\n", "line 1: \"x\" is not a number"},
        {"dp 8\nhold 1s weight=0\n", "line 1: the decimal-point code is 0 to 7"},
        {"tare -1\n", "line 1: a tare is not negative"},
        {"faults checksum=2\n", "line 1: a chance is 0 to 1, not \"2\""},
        {"faults bitrot=0.1\n", "line 1: unknown fault \"bitrot\""},
        {"hold 1s weight=0\nloop\nhold 1s weight=1\n", "line 3: nothing may follow \"loop\""},
        {"# nothing\ndp 3\n", "line 2: the scenario has no step that takes time"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseScenario(c.text, &error)) << c.text;
        EXPECT_EQ(error, c.error);
    }
}
