// INT file texts against the settings and log lines they produce.
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "config/int_file.h"
#include "config/int_scan.h"
#include "int_test_support.h"
#include "support/recording_host.h"

using namespace std::string_view_literals;

namespace {

struct TextCase {
    const char* name;
    std::string_view text;
    Settings settings;
    std::vector<LogLine> lines;
};

constexpr Settings defaults{35, 0, 10, 5, 0};
constexpr char file[] = "TARVIK.INT";

LogLine IllegalLine(unsigned number) {
    return Illegal(number, file);
}

std::string Padded(std::string line, size_t length) {
    line.resize(length, ' ');
    return line;
}

// Texts whose lines are longer than a line buffer holds.
const std::string longIllegalFirst = "#" + std::string(254, 'x') + "SAMPLE = 7\n";
const std::string exactlyFull = Padded("SAMPLE = 8", 255) + "\n#\n";
const std::string fullWithCrLf = Padded("SAMPLE = 9", 254) + "\r\n#\n";

const std::vector<TextCase>& TextCases() {
    static const std::vector<TextCase> cases = {
        {"EmptyText", ""sv, defaults, {}},
        {"OnlyOneSettingChanges",
         "RETRIES = 2\n"sv,
         {35, 0, 10, 2, 0},
         {Info("ReadIntFile() Retries = 2")}},
        {"LowerCaseWithSummary",
         "sample = 100\ndebug = on\n"sv,
         {100, 0, 10, 5, 1},
         {Info("ReadIntFile() SAMPLE = 100"), Info("Debug information flag = 1"),
          Info("ReadIntFile() SAMPLE=100; REACTION=0; SYNC=10; RETRIES=5")}},
        {"SummaryCarriesTheFourNumbers",
         "DEBUG = ON\nSample = 3\nReaction = 4\nSync = 5\nRetries = 6\n"sv,
         {3, 4, 5, 6, 1},
         {Info("Debug information flag = 1"), Info("ReadIntFile() SAMPLE = 3"),
          Info("ReadIntFile() REACTION = 4"), Info("ReadIntFile() Before Sync. = 5"),
          Info("ReadIntFile() Retries = 6"),
          Info("ReadIntFile() SAMPLE=3; REACTION=4; SYNC=5; RETRIES=6")}},
        {"BlanksTabsAndNone",
         "SAMPLE=100\n\tSYNC \t=\t 20\r\n  RETRIES   =   7\n\v\fREACTION\v=\f9"sv,
         {100, 9, 20, 7, 0},
         {Info("ReadIntFile() SAMPLE = 100"), Info("ReadIntFile() Before Sync. = 20"),
          Info("ReadIntFile() Retries = 7"), Info("ReadIntFile() REACTION = 9")}},
        {"UpperBoundsAreTaken",
         "SAMPLE = 10000\nREACTION = 20\nSYNC = 2000\nRETRIES = 20\n"sv,
         {10000, 20, 2000, 20, 0},
         {Info("ReadIntFile() SAMPLE = 10000"), Info("ReadIntFile() REACTION = 20"),
          Info("ReadIntFile() Before Sync. = 2000"), Info("ReadIntFile() Retries = 20")}},
        {"AboveTheBoundsFallBack",
         "SAMPLE = 50\nREACTION = 3\nSYNC = 7\nRETRIES = 1\n"
         "SAMPLE = 20000\nREACTION = 21\nSYNC = 2001\nRETRIES = 21\n"sv,
         defaults,
         {Info("ReadIntFile() SAMPLE = 50"), Info("ReadIntFile() REACTION = 3"),
          Info("ReadIntFile() Before Sync. = 7"), Info("ReadIntFile() Retries = 1"),
          Info("ReadIntFile() SAMPLE = 20000"), Info("ReadIntFile() SAMPLE overflow. Set to 35"),
          Info("ReadIntFile() REACTION = 21"), Info("ReadIntFile() REACTION overflow. Set to 0"),
          Info("ReadIntFile() Before Sync. = 2001"), Info("ReadIntFile() SYNC overflow. Set to 10"),
          Info("ReadIntFile() Retries = 21"), Info("ReadIntFile() Retries overflow. Set to 5")}},
        {"SignsAndWrapModulo2To32",
         "SAMPLE = -1\nREACTION = 4294967297\nSYNC = 4294967296\nRETRIES = +3\n"sv,
         {35, 1, 0, 3, 0},
         {Info("ReadIntFile() SAMPLE = 4294967295"),
          Info("ReadIntFile() SAMPLE overflow. Set to 35"), Info("ReadIntFile() REACTION = 1"),
          Info("ReadIntFile() Before Sync. = 0"), Info("ReadIntFile() Retries = 3")}},
        // A converter that saturates would read 4294967295 here.
        {"ManyDigitsWrapInsteadOfSaturating",
         "REACTION = 99999999999999999999\nSAMPLE = -4294967295\nSYNC = -0\n"sv,
         {1, 0, 0, 5, 0},
         {Info("ReadIntFile() REACTION = 1661992959"),
          Info("ReadIntFile() REACTION overflow. Set to 0"), Info("ReadIntFile() SAMPLE = 1"),
          Info("ReadIntFile() Before Sync. = 0")}},
        {"TrailingTextIsIgnored",
         "SYNC = 12abc\nSYNC = abc\nRETRIES = 3 DEBUG = ON\nSAMPLE = 5\rX\n"sv,
         {5, 0, 12, 3, 0},
         {Info("ReadIntFile() Before Sync. = 12"), IllegalLine(2),
          Info("ReadIntFile() Retries = 3"), Info("ReadIntFile() SAMPLE = 5")}},
        {"SignWithoutDigitOrNoValue",
         "SAMPLE = -\nSAMPLE = +x\nSAMPLE = - 5\nSAMPLE =\nSAMPLE = \nDEBUG =\nDEBUG =  \t\n"
         "SAMPLE 5\nSAMPLEX = 5\nSAMPLE == 5\n"sv,
         defaults,
         {IllegalLine(1), IllegalLine(2), IllegalLine(3), IllegalLine(4), IllegalLine(5),
          IllegalLine(6), IllegalLine(7), IllegalLine(8), IllegalLine(9), IllegalLine(10)}},
        {"DebugWords",
         "DEBUG = ON\nDEBUG = 1\nDEBUG = OFFLINE\nDEBUG = 0\nDEBUG = ONE\nDEBUG = OF\n"
         "DEBUG = O N\nDEBUG = OFF\n"sv,
         defaults,
         {Info("Debug information flag = 1"), Info("Debug information flag = 1"),
          Info("Debug information flag = 0"), Info("Debug information flag = 0"),
          Info("Debug information flag = 1"), Info("Debug information flag = 1"),
          Info("Debug information flag = 1"), Info("Debug information flag = 0")}},
        {"DebugWordStopsAtWhiteSpace",
         "debug\t=\ton\ndebug = of f\n"sv,
         {35, 0, 10, 5, 1},
         {Info("Debug information flag = 1"), Info("Debug information flag = 1"),
          Info("ReadIntFile() SAMPLE=35; REACTION=0; SYNC=10; RETRIES=5")}},
        {"IllegalLinesCarryTheirNumbers",
         "\n   \n# comment\nTIMEOUT = 5\r\n\r\nSAMPLE = 4\n; SYNC = 3\n"sv,
         {4, 0, 10, 5, 0},
         {IllegalLine(2), IllegalLine(3), IllegalLine(4), Info("ReadIntFile() SAMPLE = 4"),
          IllegalLine(7)}},
        {"LongLineIsCutAfter255Characters",
         longIllegalFirst,
         {7, 0, 10, 5, 0},
         {IllegalLine(1), Info("ReadIntFile() SAMPLE = 7")}},
        // The line feed after 255 characters is a line of its own, skipped but counted.
        {"FullLineThenItsLineFeed",
         exactlyFull,
         {8, 0, 10, 5, 0},
         {Info("ReadIntFile() SAMPLE = 8"), IllegalLine(3)}},
        // The dropped carriage return does not count towards the 255.
        {"DroppedReturnDoesNotCount",
         fullWithCrLf,
         {9, 0, 10, 5, 0},
         {Info("ReadIntFile() SAMPLE = 9"), IllegalLine(2)}},
        // Only a carriage return directly before a line feed is dropped.
        {"LoneReturnsStay",
         "\r\nSAMPLE = 6\r\r\n\r\r\n\r"sv,
         {6, 0, 10, 5, 0},
         {Info("ReadIntFile() SAMPLE = 6"), IllegalLine(3), IllegalLine(4)}},
        {"CtrlZEndsTheText",
         "SAMPLE = 5\n\x1aSAMPLE = 6\n#\n"sv,
         {5, 0, 10, 5, 0},
         {Info("ReadIntFile() SAMPLE = 5")}},
        {"CtrlZEndsTheLastLine",
         "SAMPLE = 5\x1a"
         "6\n"sv,
         {5, 0, 10, 5, 0},
         {Info("ReadIntFile() SAMPLE = 5")}},
        {"CtrlZAfterReturn", "#\r\x1a\n"sv, defaults, {IllegalLine(1)}},
        // A NUL ends what the patterns see of a line.
        {"NulEndsTheLine",
         "SAMPLE = 5\0"
         "7\n\0SAMPLE = 6\n"sv,
         {5, 0, 10, 5, 0},
         {Info("ReadIntFile() SAMPLE = 5"), IllegalLine(2)}},
        {"DebugOnThenOffGivesNoSummary",
         "DEBUG = ON\nSAMPLE = 1\nDEBUG = OFF\n"sv,
         {1, 0, 10, 5, 0},
         {Info("Debug information flag = 1"), Info("ReadIntFile() SAMPLE = 1"),
          Info("Debug information flag = 0")}},
    };
    return cases;
}

class IntText : public HostTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(IntText, WholeText) {
    const TextCase& c = GetParam();
    DriverContext context = DefaultContext();
    ApplyIntText(&context, reinterpret_cast<const uint8_t*>(c.text.data()), c.text.size(), file);
    EXPECT_EQ(SettingsOf(context), c.settings);
    EXPECT_EQ(host().Lines(), c.lines);
}

// The file arrives in pieces of any size; cutting it anywhere must not change
// the lines.
TEST_P(IntText, ByteByByte) {
    const TextCase& c = GetParam();
    DriverContext context = DefaultContext();
    IntTextReader reader;
    BeginIntText(&reader, &context, file);
    for (char ch : c.text) {
        const auto byte = static_cast<uint8_t>(ch);
        FeedIntText(&reader, &byte, 1);
    }
    EndIntText(&reader);
    EXPECT_EQ(SettingsOf(context), c.settings);
    EXPECT_EQ(host().Lines(), c.lines);
}

INSTANTIATE_TEST_SUITE_P(Cases, IntText, ::testing::ValuesIn(TextCases()),
                         [](const auto& info) { return std::string(info.param.name); });

using IntLineNumbers = HostTest;

// Line numbers are counted in 16 bits: line 65536 is reported as 0.
TEST_F(IntLineNumbers, WrapAfter65535) {
    std::string text(65534, '\n');
    text += "#\n#\n#\n";
    DriverContext context = DefaultContext();
    ApplyIntText(&context, reinterpret_cast<const uint8_t*>(text.data()), text.size(), file);
    EXPECT_EQ(host().Lines(),
              (std::vector<LogLine>{IllegalLine(65535), IllegalLine(0), IllegalLine(1)}));
}

// The key's own pattern decides; a key that only begins like another is none.
TEST(IntScan, NumberAndWordForms) {
    uint32_t value = 7;
    EXPECT_TRUE(ScanIntNumber(" SAMPLE = 12", "SAMPLE", &value));
    EXPECT_EQ(value, 12u);
    EXPECT_FALSE(ScanIntNumber("SAMPLES = 12", "SAMPLE", &value));
    EXPECT_FALSE(ScanIntNumber("SAMPL = 12", "SAMPLE", &value));
    EXPECT_FALSE(ScanIntNumber("", "SAMPLE", &value));
    EXPECT_EQ(value, 12u);

    char word[4] = "xyz";
    EXPECT_TRUE(ScanIntWord("DEBUG=ONWARD", "DEBUG", word));
    EXPECT_STREQ(word, "ONW");
    EXPECT_TRUE(ScanIntWord("DEBUG = X", "DEBUG", word));
    EXPECT_STREQ(word, "X");
    EXPECT_FALSE(ScanIntWord("DEBUG = ", "DEBUG", word));
}

} // namespace
