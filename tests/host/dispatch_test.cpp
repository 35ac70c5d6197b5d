#include <cstring>
#include <string>

#include "host/driver_context.h"
#include "host/driver_info.h"
#include "host/stop_flag.h"
#include "host/vpi_info.h"
#include "host/vpi_main.h"
#include "support/recording_host.h"

namespace {

class DispatchTest : public HostTest {
  protected:
    void TearDown() override {
        StoreStopFlag(StopRunning);
        HostTest::TearDown();
    }
};

TEST_F(DispatchTest, RefusesUnknownAndEmptyCommandsSilently) {
    for (uint32_t command : {17u, 0xFFFFFFFFu, 0u, 8u, 9u, 16u}) {
        VpiRequest request{nullptr, command, 0, 0, nullptr};
        EXPECT_EQ(VpiMain(&request), 2) << "command " << command;
    }
    EXPECT_TRUE(host().Lines().empty());
}

TEST_F(DispatchTest, BlockCommandsAreRefusedWithoutReadingAnything) {
    // context and data are garbage: the handlers must not touch them.
    auto* poison = reinterpret_cast<DriverContext*>(uintptr_t{0x10});
    struct Case {
        uint32_t command;
        int32_t result;
    } cases[] = {{4, 1}, {6, 2}, {10, 2}};
    for (const auto& c : cases) {
        VpiRequest request{poison, c.command, 0, 0, reinterpret_cast<void*>(uintptr_t{0x20})};
        EXPECT_EQ(VpiMain(&request), c.result) << "command " << c.command;
    }
    EXPECT_TRUE(host().Lines().empty());
}

TEST_F(DispatchTest, AnswersEverythingWithZeroOnceAStopIsRequested) {
    for (int32_t flag : {StopRequested, StopThreadEnded}) {
        StoreStopFlag(flag);
        VpiInfo info;
        std::memset(&info, 0xAB, sizeof info);
        VpiRequest getInfo{nullptr, 14, 0, 0, &info};
        EXPECT_EQ(VpiMain(&getInfo), 0);
        VpiInfo untouched;
        std::memset(&untouched, 0xAB, sizeof untouched);
        EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);

        // Neither the unknown code nor ColdStart's record is looked at.
        VpiRequest unknown{nullptr, 99, 0, 0, nullptr};
        EXPECT_EQ(VpiMain(&unknown), 0);
        VpiRequest coldStart{nullptr, 1, 0, 0, nullptr};
        EXPECT_EQ(VpiMain(&coldStart), 0);
        EXPECT_EQ(LoadStopFlag(), flag);
    }
    EXPECT_TRUE(host().Lines().empty());
}

std::string ExpectedBanner() {
    std::string edge(65, '\xCD');
    std::string text = "  TRAVIK : METTLER TOLEDO driver for JN Port (32 bit)";
    text.resize(65, ' ');
    return std::string("\b\n") + '\xC9' + edge + '\xBB' + '\n' + '\xBA' + text + '\xBA' + '\n' +
           '\xC8' + edge + '\xBC';
}

TEST_F(DispatchTest, GetVpiInfoFillsTheWholeRecordWithoutAContext) {
    VpiInfo info;
    std::memset(&info, 0xAB, sizeof info);
    VpiRequest request{nullptr, 14, 0, 0, &info};
    ASSERT_EQ(VpiMain(&request), 0);

    EXPECT_EQ(info.constant70, 70u);
    EXPECT_EQ(info.contextSize, sizeof(DriverContext));
#if TARVIK_HOST_LAYOUT
    EXPECT_EQ(info.contextSize, 92u);
#endif
    EXPECT_EQ(info.constant4, 4u);
    EXPECT_EQ(info.constant0, 0u);
    EXPECT_EQ(info.lineSettings.baudRate, 9600);
    EXPECT_EQ(info.lineSettings.dataBits, 7);
    EXPECT_EQ(info.lineSettings.stopBits, 0);
    EXPECT_EQ(info.lineSettings.parity, 2);

    // The maker's name, then at once the device description, each with its NUL.
    EXPECT_STREQ(info.makerName, "Mettler Toledo");
    const char* description = info.makerName + std::strlen(info.makerName) + 1;
    EXPECT_STREQ(description,
                 "Digital Indicator 8142 via JN Port or JW Port with Continuous Output Format");
    EXPECT_EQ(std::strlen(description), 75u);

    ASSERT_EQ(std::strlen(info.banner), 205u);
    EXPECT_EQ(std::string(info.banner), ExpectedBanner());

    EXPECT_EQ(host().Lines(), (std::vector<LogLine>{{8, "TARVIK> GetVpiInfo() exited"}}));
}

} // namespace
