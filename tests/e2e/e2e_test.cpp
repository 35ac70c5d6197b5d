// The whole system on a pseudo-terminal: indicator-sim plays the indicator,
// tarvik-host runs the driver module on the other end, and the checks hold
// what arrived in the host's gates and log against what the simulator sent.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "child_process.h"
#include "run_records.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const char* const lostLine = "TARVIK> StartThread() COM err 2. Synchronising ..";
const char* const backLine = "TARVIK> StartThread() ... continue communicating";

// One run: a directory of its own (the driver looks for its INT file in the
// current directory), the simulator on a pseudo-terminal reached through a
// short link, and the host program attached to it.
class SystemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("tarvik-e2e-" + std::string(info->name()) + "-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }

    void TearDown() override {
        if (HasFailure() && host_) {
            std::ofstream(Path("host.out")) << host_->Output();
            std::ofstream(Path("host.err")) << host_->Errors();
        }
        host_.reset();
        sim_.reset();
        if (!HasFailure()) {
            fs::remove_all(dir_);
        } else {
            std::cerr << "kept the run's files in " << dir_ << "\n";
        }
    }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    void StartSimulator(const std::string& scenario, std::vector<std::string> extra = {}) {
        std::ofstream(Path("scenario.txt")) << scenario;
        // Ten messages a second, fewer than the driver takes: at the line's
        // own pace (53 a second at 9600 baud) the driver falls behind, its
        // input queue stays full and a backlog of a few seconds would hide a
        // short silence.
        std::vector<std::string> argv = {INDICATOR_SIM_PROGRAM,
                                         "--scenario",
                                         "scenario.txt",
                                         "--link",
                                         "./tty",
                                         "--log",
                                         "sim.log",
                                         "--rate",
                                         "10"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        sim_ = std::make_unique<ChildProcess>(argv, dir_.string());
        ASSERT_TRUE(sim_->Started());
        ASSERT_TRUE(sim_->WaitForOutput([](const std::string& out) { return !out.empty(); }, 10s))
            << sim_->Errors();
    }

    void StartHost(std::vector<std::string> extra = {}) {
        std::vector<std::string> argv = {
            TARVIK_HOST_PROGRAM, "--port", "./tty", "--format", "json", "--log", "host.log"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        host_ = std::make_unique<ChildProcess>(argv, dir_.string());
        ASSERT_TRUE(host_->Started());
    }

    // Waits for the host program to end by itself and returns its status.
    int HostExit(std::chrono::milliseconds timeout = 60s) {
        auto status = host_->Wait(timeout);
        EXPECT_TRUE(status.has_value()) << "tarvik-host did not end";
        return status.value_or(-1);
    }

    size_t Updates(const std::string& gate) const {
        size_t count = 0;
        for (const Update& update : ParseUpdates(host_->Output())) {
            count += update.gate == gate;
        }
        return count;
    }

    bool WaitForUpdates(size_t atLeast, std::chrono::milliseconds timeout = 30s) {
        return host_->WaitForOutput(
            [&](const std::string& out) { return CountOf(out, "\"gate\":\"WEIGHT\"") >= atLeast; },
            timeout);
    }

    bool WaitForText(const std::string& text, std::chrono::milliseconds timeout = 30s) {
        return host_->WaitForOutput(
            [&](const std::string& out) { return out.find(text) != std::string::npos; }, timeout);
    }

    std::string HostLog() const { return ReadText(Path("host.log")); }

    fs::path dir_;
    std::unique_ptr<ChildProcess> sim_;
    std::unique_ptr<ChildProcess> host_;
};

} // namespace

// Every set of values the host's gates received in one polling cycle is
// exactly what one message that went out intact carries, across decimal-point
// codes, negative weights, tare changes and motion, with damaged messages in
// between that the driver must throw away.
TEST_F(SystemTest, GatesHoldExactlyWhatWasSentIntact) {
    StartSimulator("seed 5\n"
                   "dp 3\n"
                   "tare 12.5\n"
                   "ramp 2s from=0 to=250 settle=500ms\n"
                   "faults checksum=0.05 truncate=0.05\n"
                   "hold 1s weight=-3.7\n"
                   "dp 2\n"
                   "tare 0\n"
                   "steps 2s from=0 to=900 count=3\n"
                   "dp 5\n"
                   "tare 0.125\n"
                   "hold 1s weight=1.23456\n"
                   "faults off\n"
                   "loop\n");
    StartHost({"--duration", "8"});
    ASSERT_EQ(HostExit(), 0) << host_->Errors();
    sim_->Signal(SIGTERM);
    ASSERT_TRUE(sim_->Wait(10s).has_value());

    std::set<GateTuple> sent = IntactTuples(ReadSendLog(Path("sim.log")));
    std::vector<Update> updates = ParseUpdates(host_->Output());
    std::vector<GateTuple> cycles = CycleTuples(updates);
    ASSERT_GT(cycles.size(), 40u) << "too few polling cycles reached the host";
    size_t negative = 0;
    size_t moving = 0;
    std::set<double> tares;
    for (const GateTuple& cycle : cycles) {
        auto [weight, tare, motion, sign] = cycle;
        EXPECT_TRUE(sent.count(cycle)) << "weight " << weight << " tare " << tare << " motion "
                                       << motion << " sign " << sign << " was never sent intact";
        negative += sign != 0;
        moving += motion != 0;
        tares.insert(tare);
    }
    for (const Update& update : updates) {
        EXPECT_FALSE(update.failed) << update.gate << " was marked failed";
    }
    EXPECT_GT(negative, 0u) << "no negative weight came through";
    EXPECT_GT(moving, 0u) << "no motion came through";
    EXPECT_GE(tares.size(), 2u) << "the tare changes did not come through";
    EXPECT_GT(CountOf(HostLog(), "TARVIK> CatchValue() Checksum compare failure ("), 0u)
        << "the damaged messages never reached the driver";
}

// A stretch of broken messages and a silent line each make the driver report
// the communication lost, and the clean stream after them brings it back.
TEST_F(SystemTest, DamageAndSilenceLoseAndRegainCommunication) {
    StartSimulator("dp 3\n"
                   "hold 2s weight=100\n"
                   "faults checksum=1\n"
                   "hold 2s weight=100\n"
                   "faults off\n"
                   "hold 3s weight=110\n"
                   "silence 3s\n"
                   "hold 60s weight=120\n");
    StartHost({"--duration", "60"});
    // Lost twice and back twice, then the last weight arrives.
    ASSERT_TRUE(host_->WaitForOutput(
        [](const std::string& out) {
            return CountOf(out, "\"event\":\"comm-back\"") >= 2 &&
                   out.find("\"value\":120,") != std::string::npos;
        },
        60s))
        << host_->Output().substr(0, 2000);
    host_->Signal(SIGTERM);
    ASSERT_EQ(HostExit(), 0);

    std::vector<std::string> events = ParseEvents(host_->Output());
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + 4),
              (std::vector<std::string>{"comm-lost", "comm-back", "comm-lost", "comm-back"}));
    std::string log = HostLog();
    size_t firstLost = log.find(lostLine);
    ASSERT_NE(firstLost, std::string::npos);
    EXPECT_LT(log.find("TARVIK> CatchValue() Checksum compare failure ("), firstLost)
        << "the first loss comes from the broken messages";
    size_t firstBack = log.find(backLine, firstLost);
    ASSERT_NE(firstBack, std::string::npos);
    size_t secondLost = log.find(lostLine, firstBack);
    ASSERT_NE(secondLost, std::string::npos);
    // The silence shows as reads that time out, in the capture or in the
    // re-synchronisation that follows a message it cut short.
    std::string between = log.substr(firstBack, secondLost - firstBack);
    EXPECT_TRUE(between.find("TARVIK> CatchValue() COM reading failure for all retries") !=
                    std::string::npos ||
                between.find("TARVIK> Synchronise() Error 7 reading char") != std::string::npos)
        << "the second loss comes from the silence:\n"
        << between;
    EXPECT_NE(log.find(backLine, secondLost), std::string::npos);
}

// CloseCom and ReOpenCom given on standard input: the polling thread loses
// the port, waits, and carries values again once it is back. Settings go
// through SingleWrite and come back through SingleRead on the way.
TEST_F(SystemTest, ConsoleCommandsAreFollowedByThePollingThread) {
    StartSimulator("dp 2\ntare 4\nhold 120s weight=321\n");
    StartHost();
    ASSERT_TRUE(WaitForUpdates(10)) << host_->Errors();

    host_->Send("set SAMPLE=50\nread SAMPLE\nset RETRIES=21\nread WEIGHT\nwarm\n");
    ASSERT_TRUE(WaitForText("warm -> 0")) << host_->Output().substr(0, 2000);
    std::vector<std::string> replies = ParseReplies(host_->Output());
    EXPECT_EQ(replies, (std::vector<std::string>{"set -> 0", "read SAMPLE -> 0 value 50",
                                                 "set -> 1 (refused: out of range)",
                                                 "read WEIGHT -> 0 value 321", "warm -> 0"}));

    host_->Send("close\n");
    ASSERT_TRUE(WaitForText("\"event\":\"comm-lost\"")) << HostLog();
    size_t whileClosed = Updates("WEIGHT");
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(Updates("WEIGHT"), whileClosed) << "values arrived while the port was closed";

    host_->Send("reopen\n");
    ASSERT_TRUE(WaitForText("\"event\":\"comm-back\"")) << HostLog();
    ASSERT_TRUE(WaitForUpdates(whileClosed + 10)) << "no values after the reopen";
    host_->Send("quit\n");
    ASSERT_EQ(HostExit(), 0) << host_->Errors();

    replies = ParseReplies(host_->Output());
    EXPECT_NE(std::find(replies.begin(), replies.end(), "close -> 0"), replies.end());
    EXPECT_NE(std::find(replies.begin(), replies.end(), "reopen -> 0"), replies.end());
    std::string log = HostLog();
    EXPECT_NE(log.find("TARVIK> SingleWrite() SAMPLE = 50"), std::string::npos);
    EXPECT_NE(log.find("TARVIK> WarmStart()"), std::string::npos);
    EXPECT_NE(log.find("TARVIK> ReOpenCom() exited 0"), std::string::npos);
    EXPECT_NE(log.find(lostLine, log.find("TARVIK> WarmStart()")), std::string::npos);
    EXPECT_NE(log.find(backLine, log.find("TARVIK> ReOpenCom() exited 0")), std::string::npos);
    EXPECT_NE(host_->Output().find("\"losses\":1,\"recoveries\":1"), std::string::npos)
        << host_->Output().substr(host_->Output().rfind('{'));
}

// SIGTERM ends the host program through EndVpi within the time the stop
// handshake takes: while values flow, and while the thread is recovering
// from a silent line.
TEST_F(SystemTest, SigtermEndsThroughTheStopHandshake) {
    struct Case {
        const char* name;
        const char* scenario;
        const char* waitFor;
    } cases[] = {
        {"polling", "hold 120s weight=5\n", "\"gate\":\"NEGATIVE\""},
        {"recovering", "hold 2s weight=5\nsilence 120s\n", "\"event\":\"comm-lost\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartSimulator(c.scenario);
        StartHost();
        ASSERT_TRUE(WaitForText(c.waitFor)) << host_->Errors();
        auto signalled = std::chrono::steady_clock::now();
        host_->Signal(SIGTERM);
        // One polling step, or one 700 ms slice of the recovery wait and the
        // re-synchronisation running at that moment; the margin is for a busy machine.
        auto status = host_->Wait(10s);
        auto took = std::chrono::steady_clock::now() - signalled;
        ASSERT_TRUE(status.has_value()) << "still running 10 s after SIGTERM";
        EXPECT_EQ(*status, 0) << host_->Errors();
        EXPECT_LT(took, 5s);
        std::string log = HostLog();
        size_t entered = log.find("TARVIK> EndVpi() Entered");
        ASSERT_NE(entered, std::string::npos);
        EXPECT_NE(log.find("TARVIK> StartThread() End of thread", entered), std::string::npos);
        EXPECT_NE(log.find("TARVIK> EndVpi() exited, 0", entered), std::string::npos);
        EXPECT_NE(host_->Output().find("\"endvpi\":0"), std::string::npos);
        host_.reset();
        sim_.reset();
        fs::remove(Path("host.log"));
    }
}

// A port that will not open: the host program says so and ends with its own status.
TEST_F(SystemTest, PortThatWillNotOpenEndsWithItsStatus) {
    host_ = std::make_unique<ChildProcess>(std::vector<std::string>{TARVIK_HOST_PROGRAM, "--port",
                                                                    "./no-such", "--format", "json",
                                                                    "--log", "host.log"},
                                           dir_.string());
    ASSERT_EQ(HostExit(20s), 3);
    EXPECT_NE(host_->Errors().find("the port ./no-such would not open"), std::string::npos)
        << host_->Errors();
    EXPECT_NE(HostLog().find("TARVIK> ColdStart() error opening COM port"), std::string::npos);
}

// The line goes away (an adapter pulled out) and comes back as a new device
// behind the same name: the driver's handle is dead, so the values return
// only after the host closes and reopens the port.
TEST_F(SystemTest, LineThatWentAwayReturnsAfterCloseAndReopen) {
    StartSimulator("dp 2\nhold 2s weight=1\naway 2s\nhold 120s weight=2\n");
    StartHost();
    ASSERT_TRUE(WaitForText("\"event\":\"comm-lost\"")) << HostLog();
    ASSERT_TRUE(
        sim_->WaitForOutput([](const std::string& out) { return CountOf(out, "\n") >= 2; }, 30s))
        << "the line did not come back: " << sim_->Errors();
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(host_->Output().find("\"value\":2,"), std::string::npos)
        << "values through a handle of a line that went away";

    host_->Send("close\nreopen\n");
    ASSERT_TRUE(WaitForText("\"value\":2,")) << HostLog();
    host_->Send("quit\n");
    ASSERT_EQ(HostExit(), 0) << host_->Errors();
    std::vector<std::string> events = ParseEvents(host_->Output());
    EXPECT_EQ(events, (std::vector<std::string>{"comm-lost", "comm-back"}));
    EXPECT_EQ(CountOf(ReadText(Path("sim.log")), "event away"), 1u);
}
