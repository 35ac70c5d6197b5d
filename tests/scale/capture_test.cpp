// Locking onto the stream and capturing frames, with every read scripted.
// These cases drive the scripted port and ptys of the POSIX stand-in.
#if !defined(_WIN32)
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "frame_builder.h"
#include "host/shared_field.h"
#include "host/stop_flag.h"
#include "scale/capture.h"
#include "scripted_line.h"
#include "support/recording_host.h"

#include <memory>

namespace {

using Lines = std::vector<std::string>;

const FrameBytes frameA = WeightFrame("000111");
const FrameBytes frameB = WeightFrame("000222");
const FrameBytes frameC = WeightFrame("000333");

std::string Sync(const std::string& text) {
    return "TARVIK> Synchronise() " + text;
}
std::string Catch(const std::string& text) {
    return "TARVIK> CatchValue() " + text;
}

class CaptureTest : public HostTest {
  protected:
    void SetUp() override { Fresh(); }
    // A new line and context, as at the start of a test.
    void Fresh() {
        HostTest::SetUp();
        StoreStopFlag(StopRunning);
        line.reset();
        line = std::make_unique<ScriptedLine>();
        std::memset(&context, 0, sizeof context);
        context.portHandle = line->Handle();
        context.currentFrame = context.frameBuffers[0];
        context.commState = CommNotSynchronised;
        context.sample = 35;
        context.sync = 1;
        context.retries = 5;
    }
    void TearDown() override {
        StoreStopFlag(StopRunning);
        line.reset();
        HostTest::TearDown();
    }
    std::vector<uint8_t> Last() {
        const uint8_t* f = LastGoodFrame(&context);
        return {f, f + 18};
    }

    std::unique_ptr<ScriptedLine> line;
    DriverContext context;
};

// ---- Synchronise ----------------------------------------------------------

struct SyncCase {
    const char* name;
    std::vector<uint8_t> stream;
    Lines lines; // after the prefix "TARVIK> Synchronise() "
    size_t left; // bytes of the stream not read
};

TEST_F(CaptureTest, SynchroniseStopsOneByteAfterTheFirstCr) {
    const std::vector<uint8_t> noise17 = Repeat('x', 17);
    const SyncCase cases[] = {
        {"picked up at the checksum of a frame",
         Concat({Tail(frameA, 17), Bytes(frameB), Bytes(frameC)}),
         {"Received STX char at count = 1", "Received CR char at count = 16",
          "Last ascii = " + std::to_string(frameB[17]) + " at count = 17"},
         18},
        {"picked up before the CR",
         Concat({Tail(frameA, 5), Bytes(frameB)}),
         {"Received CR char at count = 11",
          "Last ascii = " + std::to_string(frameA[17]) + " at count = 12"},
         18},
        {"18 bytes without CR",
         Concat({Repeat('x', 18), Bytes(frameB), Bytes(frameC)}),
         {"Counter overflow. Set 0", "Received STX char at count = 0",
          "Received CR char at count = 16",
          "Last ascii = " + std::to_string(frameB[17]) + " at count = 17"},
         18},
        {"STX right after the CR",
         Concat({{'a', 'b', 0x0D}, Bytes(frameB)}),
         {"Received CR char at count = 2", "Received STX char at count = 3",
          "Last ascii = 2 at count = 0"},
         17},
        {"CR after the CR",
         {'a', 0x0D, 0x0D, 'z'},
         {"Received CR char at count = 1", "Received CR char at count = 2",
          "Last ascii = 13 at count = 2"},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        line->AfterDrain(c.stream);
        context.received = 9;
        ASSERT_EQ(Synchronise(&context), 0);
        Lines expected;
        for (const auto& l : c.lines) {
            expected.push_back(Sync(l));
        }
        EXPECT_EQ(host().Texts(), expected);
        EXPECT_EQ(line->Pending(), c.left);
        EXPECT_EQ(context.received, 0);
        EXPECT_EQ(context.commState, CommSynchronised);
        EXPECT_EQ(context.currentFrame, context.frameBuffers[0]);
    }
}

TEST_F(CaptureTest, SynchronisedStreamCapturesTheNextFrame) {
    line->AfterDrain(Concat({Tail(frameA, 9), Bytes(frameB), Bytes(frameC)}));
    ASSERT_EQ(Synchronise(&context), 0);
    ASSERT_EQ(CatchValue(&context), 0);
    EXPECT_EQ(Last(), Bytes(frameB));
}

TEST_F(CaptureTest, CrAtTheLastPositionKeepsTheNextByteInsideTheBuffer) {
    // The second buffer is the one being filled: a byte stored at position 18
    // would land on the fields behind the buffers.
    for (uint8_t after : {uint8_t('Z'), uint8_t(0x02)}) {
        SCOPED_TRACE(int(after));
        Fresh();
        context.currentFrame = context.frameBuffers[1];
        std::memset(context.frameBuffers[0], 0xC3, 18);
        uint8_t* behind = reinterpret_cast<uint8_t*>(&context) +
                          offsetof(DriverContext, frameBuffers) + sizeof context.frameBuffers;
        const uint8_t behindBefore = *behind;
        std::vector<uint8_t> stream = Repeat('x', 17);
        stream.push_back(0x0D);
        stream.push_back(after);
        line->AfterDrain(stream);
        ASSERT_EQ(Synchronise(&context), 0);
        Lines expected = {Sync("Received CR char at count = 17")};
        if (after == 0x02) {
            expected.push_back(Sync("Received STX char at count = 18"));
            expected.push_back(Sync("Last ascii = 2 at count = 0"));
        } else {
            expected.push_back(Sync("Last ascii = 90 at count = 18"));
        }
        EXPECT_EQ(host().Texts(), expected);
        EXPECT_EQ(*behind, behindBefore);
        EXPECT_EQ(context.currentFrame, context.frameBuffers[1]);
        EXPECT_EQ(context.received, 0);
        EXPECT_EQ(context.frameBuffers[1][17], 0x0D);
        EXPECT_EQ(std::vector<uint8_t>(context.frameBuffers[0], context.frameBuffers[0] + 18),
                  Repeat(0xC3, 18));
    }
}

TEST_F(CaptureTest, SynchroniseFailuresLeaveTheStateAlone) {
    context.received = 7;

    // A silent line: the read fails with 7, logged unless the link is lost.
    line->Fail();
    EXPECT_EQ(Synchronise(&context), 7);
    EXPECT_EQ(host().Texts(), Lines{Sync("Error 7 reading char")});
    host().Reset();
    context.commState = CommLost;
    line->Fail();
    EXPECT_EQ(Synchronise(&context), 7);
    EXPECT_TRUE(host().Texts().empty());
    EXPECT_EQ(context.commState, CommLost);

    // A failed drain: its code, no line, nothing read.
    context.commState = CommNotSynchronised;
    line->Add(Repeat('?', 512)); // one full drain read, then the next fails
    line->Fail();
    line->Add(Bytes(frameA));
    EXPECT_EQ(Synchronise(&context), 1);
    EXPECT_TRUE(host().Texts().empty());
    EXPECT_EQ(line->Pending(), 18u);
    EXPECT_EQ(context.received, 7);
    EXPECT_EQ(context.commState, CommNotSynchronised);
}

TEST_F(CaptureTest, SynchroniseGivesUpOnAStopRequest) {
    // A stream of STX bytes never brings a CR; after a stop request the scan
    // ends before the next byte instead of reading on for ever.
    line->AfterDrain(Repeat(0x02, 40));
    StoreStopFlag(StopRequested);
    EXPECT_EQ(Synchronise(&context), 1);
    EXPECT_EQ(line->Pending(), 40u);
    EXPECT_EQ(context.commState, CommNotSynchronised);
    EXPECT_TRUE(host().Texts().empty());
}

TEST(SyncScan, NeverWritesOutsideTheFrame) {
    // Random streams, with STX and CR rare enough that runs of 17 bytes and
    // more without either are common: the scan stores only within its 18
    // bytes, keeps its position within the frame, and ends exactly one byte
    // after the first CR.
    std::mt19937 random(20261211);
    auto nextByte = [&random]() -> uint8_t {
        const unsigned pick = random() % 60;
        return pick == 0 ? 0x02 : pick < 4 ? 0x0D : pick < 30 ? 'x' : 0xFF;
    };
    for (int run = 0; run < 20000; ++run) {
        uint8_t memory[3 * 18];
        std::memset(memory, 0xA5, sizeof memory);
        SyncScan scan;
        SyncScanStart(&scan, memory + 18);
        bool crSeen = false;
        for (int n = 0; n < 400; ++n) {
            const bool last = crSeen;
            const uint8_t byte = nextByte();
            const uint32_t events = SyncScanByte(&scan, byte);
            crSeen = crSeen || byte == 0x0D;
            ASSERT_GE(scan.position, 0);
            ASSERT_LE(scan.position, 19);
            ASSERT_EQ((events & SyncLocked) != 0, last);
            if (last) {
                break;
            }
        }
        for (int i = 0; i < 18; ++i) {
            ASSERT_EQ(memory[i], 0xA5);
            ASSERT_EQ(memory[36 + i], 0xA5);
        }
    }
}

// ---- RetryFirst -----------------------------------------------------------

TEST_F(CaptureTest, RetryFirstCountsAttemptsLeft) {
    EXPECT_EQ(RetryFirst(&context, 0), 1);
    EXPECT_TRUE(host().Texts().empty());
    EXPECT_TRUE(line->Reads().empty());

    line->AfterDrain(Bytes(frameA));
    EXPECT_EQ(RetryFirst(&context, 5), 0);
    EXPECT_EQ(host().Texts().back(), "TARVIK> RetryFirst() Com. synchr. succesful (rl 4)");

    host().Reset();
    for (int i = 0; i < 4; ++i) {
        line->Fail();
    }
    line->AfterDrain(Bytes(frameA));
    EXPECT_EQ(RetryFirst(&context, 5), 0);
    EXPECT_EQ(host().CountLines(Sync("Error 7 reading char")), 4u);
    EXPECT_EQ(host().Texts().back(), "TARVIK> RetryFirst() Com. synchr. succesful (rl 0)");

    host().Reset();
    for (int i = 0; i < 3; ++i) {
        line->Fail();
    }
    line->AfterDrain(Bytes(frameA));
    EXPECT_EQ(RetryFirst(&context, 3), 7);
    EXPECT_EQ(host().Texts().back(), "TARVIK> RetryFirst() Com. synchr. error for all retries");
    EXPECT_EQ(line->Pending(), 3u + 18u);
}

TEST_F(CaptureTest, RetryFirstIsQuietWhileTheLinkIsLost) {
    context.commState = CommLost;
    line->Fail();
    line->Fail();
    EXPECT_EQ(RetryFirst(&context, 2), 7);
    EXPECT_TRUE(host().Texts().empty());

    line->Fail();
    line->AfterDrain(Bytes(frameA));
    EXPECT_EQ(RetryFirst(&context, 2), 0);
    EXPECT_EQ(host().Texts().back(), "TARVIK> RetryFirst() Com. synchr. succesful (rl 0)");
    EXPECT_EQ(host().CountLines(Sync("Error 7 reading char")), 0u);
    EXPECT_EQ(context.commState, CommSynchronised);
}

TEST_F(CaptureTest, RetryFirstMakesNoAttemptAfterAStopRequest) {
    line->AfterDrain(Bytes(frameA));
    StoreStopFlag(StopRequested);
    EXPECT_EQ(RetryFirst(&context, 3), 1);
    EXPECT_EQ(host().Texts(), Lines{"TARVIK> RetryFirst() Com. synchr. error for all retries"});
    EXPECT_TRUE(line->Reads().empty());
}

// ---- CatchValue -----------------------------------------------------------

TEST_F(CaptureTest, FrameInPiecesIsValidatedWhole) {
    context.debug = 1;
    line->Add(std::vector<uint8_t>(frameA.begin(), frameA.begin() + 10));
    line->Quiet();
    line->Add(Tail(frameA, 10));
    ASSERT_EQ(CatchValue(&context), 0);
    EXPECT_EQ(host().Texts(), Lines{Catch("Message incomplete 10 < 18 - 0")});
    EXPECT_EQ(line->ReadSizes(), (std::vector<uint32_t>{18, 8}));
    EXPECT_EQ(Last(), Bytes(frameA));
    EXPECT_EQ(context.received, 0);
}

TEST_F(CaptureTest, ReactionCollectsThatManyMoreFrames) {
    context.reaction = 2;
    line->Add(Bytes(frameA));
    line->Add(Bytes(frameB));
    line->Add(Bytes(frameC));
    line->Add(Bytes(frameA));
    ASSERT_EQ(CatchValue(&context), 0);
    // Three switches: current is the second buffer again, the last frame in the first.
    EXPECT_EQ(context.currentFrame, context.frameBuffers[1]);
    EXPECT_EQ(Last(), Bytes(frameC));
    EXPECT_EQ(line->Pending(), 18u);
}

TEST_F(CaptureTest, AttemptsCountReadsWithoutProgress) {
    context.retries = 2;
    context.debug = 1;
    // Two failures, a piece (resets the count), two failures, the rest.
    line->Fail();
    line->Fail();
    line->Add({frameA.begin(), frameA.begin() + 4});
    line->Quiet();
    line->Fail();
    line->Fail();
    line->Add(Tail(frameA, 4));
    ASSERT_EQ(CatchValue(&context), 0);
    EXPECT_EQ(Last(), Bytes(frameA));
    EXPECT_EQ(host().Texts(),
              (Lines{Catch("Message not complete but nothing more to receive (1)"),
                     Catch("Message not complete but nothing more to receive (2)"),
                     Catch("Message incomplete 4 < 18 - 0"),
                     Catch("Message not complete but nothing more to receive (1)"),
                     Catch("Message not complete but nothing more to receive (2)")}));

    // Three in a row end the capture; the piece received so far is kept.
    host().Reset();
    line->Add({frameB.begin(), frameB.begin() + 5});
    line->Quiet();
    line->Fail();
    line->Fail();
    line->Fail();
    line->Add(Bytes(frameC));
    context.debug = 0;
    EXPECT_EQ(CatchValue(&context), 2);
    EXPECT_EQ(host().Texts(), Lines{Catch("COM reading failure for all retries")});
    EXPECT_EQ(context.received, 5);
    EXPECT_EQ(Last(), Bytes(frameA)); // the last good frame survives
}

TEST_F(CaptureTest, WithoutRetriesOneFailureEndsTheCapture) {
    context.retries = 0;
    line->Fail();
    EXPECT_EQ(CatchValue(&context), 2);
    EXPECT_EQ(host().Texts(), Lines{Catch("COM reading failure for all retries")});

    host().Reset();
    FrameBytes bad = frameA;
    bad[17] ^= 1;
    line->Add(Bytes(bad));
    line->Add(Bytes(frameB));
    EXPECT_EQ(CatchValue(&context), 2);
    EXPECT_EQ(host().Texts(), Lines{Catch("Checksum compare failure (1)")});
    EXPECT_EQ(line->Pending(), 18u); // no Synchronise
}

struct RejectCase {
    const char* name;
    int position;
    uint8_t value;
    const char* line;
};

TEST_F(CaptureTest, RejectedFrameResynchronisesAndReadsOn) {
    const RejectCase cases[] = {
        {"no STX", 0, 'x', "Message starts not with STX (1)"},
        {"CR one place early", 15, 0x0D, "no CR where expected (1)"},
        {"no CR", 16, 'y', "no CR where expected (1)"},
        {"checksum", 17, 0x55, "Checksum compare failure (1)"},
        {"checksum with bit 7", 17, static_cast<uint8_t>(frameA[17] | 0x80),
         "Checksum compare failure (1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fresh();
        context.retries = 2;
        FrameBytes bad = frameA;
        bad[c.position] = c.value;
        if (c.position == 15) {
            bad[16] = '0';
        }
        line->Add(Bytes(bad));
        line->AfterDrain(Concat({Tail(frameB, 3), Bytes(frameC), Bytes(frameA)}));
        ASSERT_EQ(CatchValue(&context), 0);
        const Lines texts = host().Texts();
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts.front(), Catch(c.line));
        EXPECT_EQ(texts.back(), "TARVIK> RetryFirst() Com. synchr. succesful (rl 1)");
        EXPECT_EQ(Last(), Bytes(frameC));
        EXPECT_EQ(context.currentFrame, context.frameBuffers[1]);
    }
}

TEST_F(CaptureTest, FailedResynchronisationEndsTheCapture) {
    context.retries = 1;
    FrameBytes bad = frameA;
    bad[0] = 'x';
    line->Add(Bytes(bad));
    line->Fail();
    EXPECT_EQ(CatchValue(&context), 2);
    EXPECT_EQ(host().Texts(),
              (Lines{Catch("Message starts not with STX (1)"), Sync("Error 7 reading char"),
                     "TARVIK> RetryFirst() Com. synchr. error for all retries"}));
}

// ---- Dump -----------------------------------------------------------------

TEST_F(CaptureTest, DumpShowsBothBuffersWhenDebugIsOn) {
    for (int i = 0; i < 36; ++i) {
        context.frameBuffers[i / 18][i % 18] = static_cast<uint8_t>(i == 35 ? 0xFF : i * 7);
    }
    context.received = 11;
    Dump(&context);
    EXPECT_TRUE(host().Texts().empty());

    context.debug = 1;
    Dump(&context);
    context.currentFrame = context.frameBuffers[1];
    Dump(&context);
    std::string expected = "TARVIK> Dump()";
    for (int i = 0; i < 36; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", i == 35 ? 0xFF : (i * 7) & 0xFF);
        expected += hex;
    }
    ASSERT_EQ(expected.size(), 122u);
    const auto lines = host().Lines();
    EXPECT_EQ(lines, (std::vector<LogLine>{{8, expected},
                                           {8, "TARVIK> Dump() Index 11, Begin 18"},
                                           {8, expected},
                                           {8, "TARVIK> Dump() Index 11, Begin 0"}}));
}

} // namespace

#endif
