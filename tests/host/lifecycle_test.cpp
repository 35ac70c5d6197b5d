// These cases drive pseudo-terminals through the POSIX stand-in.
#if !defined(_WIN32)

#include <chrono>
#include <string>

#include "host/lifecycle_fixture.h"
#include "platform/scripted_device.h"
#include "serial/com_port.h"

namespace {

using namespace std::chrono_literals;

const std::string versionPrefix = "TARVIK> version compiled on ";

TEST_F(LifecycleTest, ColdStartWithThePortDisabledOpensNothing) {
    EXPECT_EQ(ColdStartOn("/dev/absent", 0), 0);
    auto lines = host().Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].text.rfind(versionPrefix, 0), 0u) << lines[0].text;
    EXPECT_NE(lines[0].text.find(" at time "), std::string::npos);
    EXPECT_EQ(lines[1], (LogLine{8, "TARVIK> ColdStart() PELKINFORM = YES"}));
    EXPECT_EQ(lines[2], (LogLine{8, "TARVIK> ReadIntFile() Warning, no initfile found"}));
    EXPECT_EQ(lines[3], (LogLine{8, "TARVIK> ColdStart() installation OK!"}));

    EXPECT_EQ(Handle(), HANDLE{0});
    EXPECT_EQ(context.commState, CommNotSynchronised);
    EXPECT_FALSE(PollingThreadsRunning());
    EXPECT_EQ(context.instance, 0);
    EXPECT_EQ(context.readTimeout, 10u);
    EXPECT_EQ(context.sample, 35);
    EXPECT_EQ(context.reaction, 0);
    EXPECT_EQ(context.sync, 10);
    EXPECT_EQ(context.retries, 5);
    EXPECT_EQ(context.debug, 0);
    // Nothing of the host's old memory is left for a later open to use.
    EXPECT_STREQ(context.portSettings.portName, "");
    EXPECT_EQ(context.portSettings.lineControl, 0x0303);
    EXPECT_EQ(context.portSettings.lineSettings.baudRate, 9600);
    EXPECT_EQ(context.received, 0);
    EXPECT_EQ(context.currentFrame, context.frameBuffers[0]);
}

TEST_F(LifecycleTest, ColdStartKeepsTheLowByteOfTheInstance) {
    EXPECT_EQ(ColdStartOn("", 0, {9600, 7, 0, 2}, 0x1234), 0);
    EXPECT_EQ(context.instance, 0x34);
}

TEST_F(LifecycleTest, ColdStartOnAMissingPortReportsItAndStartsNoThread) {
    EXPECT_EQ(ColdStartOn("/dev/absent"), 0);
    auto lines = host().Lines();
    ASSERT_GE(lines.size(), 3u);
    std::vector<LogLine> tail(lines.end() - 3, lines.end());
    EXPECT_EQ(tail, (std::vector<LogLine>{{8, "TARVIK> OpenCom() open COM port failed"},
                                          {32, "TARVIK> ColdStart() error opening COM port"},
                                          {8, "TARVIK> ColdStart() installation OK!"}}));
    EXPECT_EQ(Handle(), HANDLE{0});
    EXPECT_FALSE(PollingThreadsRunning());
    EXPECT_STREQ(context.portSettings.portName, "/dev/absent");

    // No thread runs, so EndVpi must not wait for one.
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(Command(CmdEndVpi), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    EXPECT_TRUE(host().HasLine("TARVIK> EndVpi() exited, 0"));
    EXPECT_FALSE(host().HasLine("TARVIK> StartThread() End of thread"));
}

TEST_F(LifecycleTest, AnUnterminatedPortNameIsRefusedNotCut) {
    ColdStartRecord record;
    std::memset(&record, 'A', sizeof record.portName);
    record.portEnabled = 1;
    record.reserved = 0x4C554E; // "NUL" right behind the name must not be read
    record.lineSettings = {9600, 7, 0, 2};
    started = true;
    EXPECT_EQ(Command(CmdColdStart, &record), 0);
    EXPECT_TRUE(host().HasLine("TARVIK> OpenCom() open COM port failed"));
    EXPECT_EQ(Handle(), HANDLE{0});
    EXPECT_EQ(std::memcmp(context.portSettings.portName, std::string(12, 'A').data(), 12), 0);
}

TEST_F(LifecycleTest, TheNullDeviceOpensAndTheThreadRunsUntilEndVpi) {
    EXPECT_EQ(ColdStartOn("NUL"), 0);
    EXPECT_NE(Handle(), HANDLE{0});
    EXPECT_TRUE(host().WaitForLine("TARVIK> StartThread() Entering loop"));

    EXPECT_EQ(Command(CmdEndVpi), 0);
    EXPECT_FALSE(PollingThreadsRunning());
    EXPECT_EQ(LoadStopFlag(), StopThreadEnded);
    auto texts = host().Texts();
    auto end = std::find(texts.begin(), texts.end(), "TARVIK> StartThread() End of thread");
    auto exited = std::find(texts.begin(), texts.end(), "TARVIK> EndVpi() exited, 0");
    ASSERT_NE(end, texts.end());
    ASSERT_NE(exited, texts.end());
    EXPECT_LT(end, exited);

    // The module is finished: every command answers 0 and does nothing.
    for (uint32_t command : {1u, 2u, 5u, 12u, 13u, 14u, 15u, 17u}) {
        EXPECT_EQ(Command(command, nullptr), 0) << command;
    }
}

TEST_F(LifecycleTest, DebugLinesOfColdStart) {
    // DEBUG comes from the INT file; written into a scratch directory.
    char dir[] = "/tmp/tarvik-lifecycle-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    char old[4096];
    ASSERT_NE(getcwd(old, sizeof old), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    FILE* f = std::fopen("TARVIK.INT", "wb");
    std::fputs("DEBUG = ON\n", f);
    std::fclose(f);

    EXPECT_EQ(ColdStartOn("NUL"), 0);
    EXPECT_EQ(chdir(old), 0);
    std::remove((std::string(dir) + "/TARVIK.INT").c_str());
    rmdir(dir);

    EXPECT_TRUE(host().HasLine("TARVIK> ColdStart() Allocated 4 gate id's"));
    EXPECT_TRUE(host().HasLine("TARVIK> ReadIntFile() No RTSCTS implemented"));
}

TEST_F(LifecycleTest, CloseComClosesOnceAndIsQuietAfterwards) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_EQ(ColdStartOn(PortNameOf(pty)), 0);
    ASSERT_NE(Handle(), HANDLE{0});
    host().Reset();
    EXPECT_EQ(Command(CmdCloseCom), 0);
    EXPECT_EQ(Handle(), HANDLE{0});
    EXPECT_EQ(Command(CmdCloseCom), 0);
    for (const auto& line : host().Texts()) {
        EXPECT_EQ(line.find("CloseCom"), std::string::npos) << line;
    }
}

TEST_F(LifecycleTest, WarmStartDrainsAnOpenPortAndOnlyLogsOtherwise) {
    ASSERT_EQ(ColdStartOn("", 0), 0);
    host().Reset();
    EXPECT_EQ(Command(CmdWarmStart), 0);
    EXPECT_EQ(host().Texts(), (std::vector<std::string>{"TARVIK> WarmStart()"}));
}

TEST_F(LifecycleTest, ReOpenWhileOpenFailsAndKeepsTheOldHandle) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_EQ(ColdStartOn(PortNameOf(pty)), 0);
    HANDLE old = Handle();
    ASSERT_NE(old, HANDLE{0});
    EXPECT_EQ(Command(CmdReOpenCom), 2);
    EXPECT_EQ(Handle(), old);
    EXPECT_TRUE(host().HasLine("TARVIK> ReOpenCom() exited 2"));

    // Once closed, the saved settings open it again.
    EXPECT_EQ(Command(CmdCloseCom), 0);
    EXPECT_EQ(Command(CmdReOpenCom), 0);
    EXPECT_NE(Handle(), HANDLE{0});
    EXPECT_TRUE(host().HasLine("TARVIK> ReOpenCom() exited 0"));
}

TEST_F(LifecycleTest, ChangeVpiParamsTakesTheTimeoutOnlyWhenGiven) {
    PtyPair first, second;
    ASSERT_TRUE(first.ok() && second.ok());
    ASSERT_EQ(ColdStartOn(PortNameOf(first)), 0);

    struct Case {
        uint32_t given;
        uint32_t expected;
    } cases[] = {{0, 10}, {0xFFFFFFFF, 10}, {25, 25}, {0, 25}};
    bool onFirst = true;
    for (const auto& c : cases) {
        // Alternate between the two ports so that every change really reopens.
        onFirst = !onFirst;
        EXPECT_EQ(ChangeParams(PortNameOf(onFirst ? first : second), c.given), 0);
        EXPECT_EQ(context.readTimeout, c.expected);
        COMMTIMEOUTS timeouts{};
        ASSERT_TRUE(GetCommTimeouts(Handle(), &timeouts));
        EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, c.expected * 10) << c.given;
    }
}

TEST_F(LifecycleTest, ChangeVpiParamsToAnotherPortClosesTheOldOneFirst) {
    PtyPair first, second;
    ASSERT_TRUE(first.ok() && second.ok());
    ASSERT_EQ(ColdStartOn(PortNameOf(first)), 0);
    HANDLE old = Handle();

    // Baud 0 keeps the line settings; the new name is taken.
    EXPECT_EQ(ChangeParams(PortNameOf(second), 0, {0, 8, 0, 0}), 0);
    EXPECT_NE(Handle(), HANDLE{0});
    EXPECT_EQ(context.portSettings.lineSettings.dataBits, 7);
    EXPECT_EQ(std::string(context.portSettings.portName), PortNameOf(second));
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    EXPECT_FALSE(GetCommState(old, &dcb)) << "the old handle is still open";

    // The first port is free again.
    HANDLE probe = nullptr;
    LineSettings line{9600, 7, 0, 2};
    EXPECT_EQ(ComPortOpen(PortNameOf(first).c_str(), &line, 0x0303, &probe), 0);
    ComPortClose(probe);
}

TEST_F(LifecycleTest, ChangeVpiParamsToTheSamePortFailsAndKeepsTheOpenOne) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_EQ(ColdStartOn(PortNameOf(pty)), 0);
    HANDLE old = Handle();
    host().Reset();

    EXPECT_EQ(ChangeParams(PortNameOf(pty), 30, {4800, 8, 0, 0}), 2);
    EXPECT_EQ(host().Lines(),
              (std::vector<LogLine>{{8, "TARVIK> OpenCom() open COM port failed"},
                                    {8, "TARVIK> ChangeVpiParams() open new COM port failed"}}));
    EXPECT_EQ(Handle(), old);
    // The port runs on with its old line; the new settings wait for the next open.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(old, &dcb));
    EXPECT_EQ(dcb.BaudRate, 9600u);
    EXPECT_EQ(context.portSettings.lineSettings.baudRate, 4800);
    EXPECT_EQ(context.readTimeout, 30u);
}

TEST_F(LifecycleTest, APortOpenedLaterUsesTheDefaultLineAndEndVpiDoesNotWait) {
    // A scripted port shows the line the open asked for (a pty forces 8N1).
    ScriptedDeviceCreate("LATERPORT");
    ASSERT_EQ(ColdStartOn("", 0), 0);
    ASSERT_EQ(ChangeParams("LATERPORT", 0), 0);
    ScriptedDeviceRecord port;
    ASSERT_TRUE(ScriptedDeviceInspect("LATERPORT", &port));
    EXPECT_EQ(port.dcb.BaudRate, 9600u);
    EXPECT_EQ(port.dcb.ByteSize, 7);
    EXPECT_EQ(port.dcb.Parity, 2);
    EXPECT_EQ(port.dcb.StopBits, 0);
    EXPECT_EQ(port.dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
    EXPECT_EQ(port.dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
    EXPECT_EQ(port.timeouts.ReadTotalTimeoutConstant, 100u);

    EXPECT_FALSE(PollingThreadsRunning());
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(Command(CmdEndVpi), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    EXPECT_FALSE(host().HasLine("TARVIK> StartThread() End of thread"));
    ScriptedDeviceRemove("LATERPORT");
}

TEST_F(LifecycleTest, EndVpiAfterCloseComStillWaitsForTheThread) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_EQ(ColdStartOn(PortNameOf(pty)), 0);
    ASSERT_TRUE(host().WaitForLine("TARVIK> StartThread() Entering loop"));
    EXPECT_EQ(Command(CmdCloseCom), 0);
    ASSERT_TRUE(host().WaitForLine("TARVIK> StartThread() COM err 2. Synchronising .."));

    EXPECT_EQ(Command(CmdEndVpi), 0);
    EXPECT_FALSE(PollingThreadsRunning());
    auto texts = host().Texts();
    auto end = std::find(texts.begin(), texts.end(), "TARVIK> StartThread() End of thread");
    auto exited = std::find(texts.begin(), texts.end(), "TARVIK> EndVpi() exited, 0");
    ASSERT_NE(end, texts.end());
    EXPECT_LT(end, exited);
}

} // namespace

#endif
