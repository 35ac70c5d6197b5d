// ReadIntFile against real files in a scratch directory that the test makes
// the current directory.
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "config/int_file.h"
#include "host/driver_context.h"
#include "host/vpi_request.h"
#include "int_test_support.h"
#include "support/recording_host.h"

namespace fs = std::filesystem;

namespace {

class IntFileTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        saved_ = fs::current_path();
        std::random_device random;
        for (;;) {
            dir_ = fs::temp_directory_path() / ("tarvik-int-" + std::to_string(random()));
            if (fs::create_directory(dir_)) {
                break;
            }
        }
        fs::current_path(dir_);
    }

    void TearDown() override {
        fs::current_path(saved_);
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
        HostTest::TearDown();
    }

    static void Write(const std::string& name, const std::string& bytes) {
        std::ofstream out(name, std::ios::binary);
        out << bytes;
        ASSERT_TRUE(out.good()) << name;
    }

    // Runs ReadIntFile as ColdStart does, on a context holding the defaults.
    DriverContext Read(uint32_t instance) {
        DriverContext context = DefaultContext();
        VpiRequest request{&context, CmdColdStart, instance, 0, nullptr};
        ReadIntFile(&request);
        return context;
    }

  private:
    fs::path saved_;
    fs::path dir_;
};

struct NameCase {
    const char* name;
    uint32_t instance;
    std::vector<std::string> files;
    std::vector<std::string> directories;
    std::string expected; // the name of the file read
};

class IntFileNames : public IntFileTest, public ::testing::WithParamInterface<NameCase> {};

// Each file holds one illegal line, whose message names the file that was read.
TEST_P(IntFileNames, FirstReadableNameIsTaken) {
    const NameCase& c = GetParam();
    for (const std::string& name : c.files) {
        Write(name, "# " + name + "\n");
    }
    for (const std::string& name : c.directories) {
        fs::create_directory(name);
    }
    EXPECT_EQ(SettingsOf(Read(c.instance)), SettingsOf(DefaultContext()));
    EXPECT_EQ(host().Lines(), (std::vector<LogLine>{Illegal(1, c.expected)}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IntFileNames,
    ::testing::Values(
        NameCase{"Instance3TwoDigits",
                 3,
                 {"TARVIK03.INT", "TARVIK3.INT", "TARVIK.INT"},
                 {},
                 "TARVIK03.INT"},
        NameCase{"Instance3OneDigit", 3, {"TARVIK3.INT", "TARVIK.INT"}, {}, "TARVIK3.INT"},
        NameCase{"Instance3BaseName",
                 3,
                 {"TARVIK.INT", "TARVIK4.INT", "TARVIK003.INT"},
                 {},
                 "TARVIK.INT"},
        NameCase{"Instance0TwoDigits",
                 0,
                 {"TARVIK00.INT", "TARVIK0.INT", "TARVIK.INT"},
                 {},
                 "TARVIK00.INT"},
        NameCase{"Instance0OneDigit", 0, {"TARVIK0.INT", "TARVIK.INT"}, {}, "TARVIK0.INT"},
        NameCase{"Instance12", 12, {"TARVIK12.INT", "TARVIK.INT"}, {}, "TARVIK12.INT"},
        NameCase{"Instance12BaseName",
                 12,
                 {"TARVIK.INT", "TARVIK1.INT", "TARVIK2.INT", "TARVIK012.INT"},
                 {},
                 "TARVIK.INT"},
        // The whole 32-bit instance number names the file, not its low 8 bits.
        NameCase{"Instance300", 300, {"TARVIK300.INT", "TARVIK44.INT"}, {}, "TARVIK300.INT"},
        NameCase{"LargestInstance",
                 4294967295u,
                 {"TARVIK4294967295.INT", "TARVIK.INT"},
                 {},
                 "TARVIK4294967295.INT"},
        // A directory of the first name is passed over, as Windows does.
        NameCase{"DirectoryIsNoFile", 3, {"TARVIK3.INT"}, {"TARVIK03.INT"}, "TARVIK3.INT"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IntFileTest, NoFileLeavesTheDefaults) {
    Write("TARVIK.IN", "SAMPLE = 1\n");
    Write("tarvik.int.bak", "SAMPLE = 1\n");
    fs::create_directory("TARVIK.INT");
    EXPECT_EQ(SettingsOf(Read(3)), SettingsOf(DefaultContext()));
    EXPECT_EQ(host().Lines(),
              (std::vector<LogLine>{Info("ReadIntFile() Warning, no initfile found")}));

    char name[intFileNameSize];
    EXPECT_EQ(OpenIntFile(intFileBaseName, name, 3), nullptr);
    EXPECT_STREQ(name, "TARVIK.INT");
}

TEST_F(IntFileTest, SettingsAndSummaryFromTheFile) {
    Write("TARVIK07.INT", "; start values\r\nsample = 100\r\nREACTION = 2\r\n"
                          "Sync = 4294967297\r\ndebug = on\r\n");
    EXPECT_EQ(SettingsOf(Read(7)), (Settings{100, 2, 1, 5, 1}));
    EXPECT_EQ(host().Lines(),
              (std::vector<LogLine>{
                  Illegal(1, "TARVIK07.INT"), Info("ReadIntFile() SAMPLE = 100"),
                  Info("ReadIntFile() REACTION = 2"), Info("ReadIntFile() Before Sync. = 1"),
                  Info("Debug information flag = 1"),
                  Info("ReadIntFile() SAMPLE=100; REACTION=2; SYNC=1; RETRIES=5")}));
}

// A file longer than one read of the file, with carriage returns and line
// feeds on both sides of each piece and a Ctrl-Z far behind: read from the
// file it gives the same lines as the same bytes given at once.
TEST_F(IntFileTest, FileReadsLikeItsBytes) {
    std::string bytes;
    for (int i = 0; bytes.size() < 3000; ++i) {
        bytes += (i % 3 == 0) ? "SAMPLE = " + std::to_string(i) + "\r\n"
                              : "#" + std::string(i % 300, 'x') + "\r\n";
        bytes += (i % 7 == 0) ? "\r\r\n" : "";
    }
    bytes += "DEBUG = ON\n\x1a"
             "DEBUG = OFF\nSAMPLE = 1\n";
    Write("TARVIK.INT", bytes);

    const DriverContext fromFile = Read(1);
    const std::vector<LogLine> fileLines = host().Lines();
    host().Reset();
    DriverContext fromBytes = DefaultContext();
    ApplyIntText(&fromBytes, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                 "TARVIK.INT");

    EXPECT_EQ(SettingsOf(fromFile), SettingsOf(fromBytes));
    EXPECT_EQ(fileLines, host().Lines());
    EXPECT_EQ(fromFile.debug, 1);
    EXPECT_GT(fileLines.size(), 20u);
}

} // namespace
