// The host program's own pieces: the banner shown in a UTF-8 terminal, the
// console commands, and the values as the status line and records show them.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <sstream>

#include "console_command.h"
#include "cp437.h"
#include "host/driver_info.h"
#include "live_output.h"

using namespace host;

namespace {

std::string Repeat(const std::string& piece, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += piece;
    }
    return out;
}

} // namespace

TEST(Cp437, TheBannerBoxShowsAsABox) {
    std::istringstream lines(Cp437ToUtf8(DriverBanner));
    std::vector<std::string> rows;
    for (std::string row; std::getline(lines, row);) {
        rows.push_back(row);
    }
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], "") << "the backspace is left out";
    EXPECT_EQ(rows[1], "╔" + Repeat("═", 65) + "╗");
    EXPECT_EQ(rows[2], "║  TRAVIK : METTLER TOLEDO driver for JN Port (32 bit)" +
                           std::string(12, ' ') + "║");
    EXPECT_EQ(rows[3], "╚" + Repeat("═", 65) + "╝");
}

TEST(Cp437, UpperHalfAndControls) {
    EXPECT_EQ(Cp437ToUtf8("\x80\x81\x9b\xe1\xf8\xfd\xff"), "Çü¢ß°²\u00a0");
    EXPECT_EQ(Cp437ToUtf8("\xb0\xb3\xc4\xdb"), "░│─█");
    EXPECT_EQ(Cp437ToUtf8(std::string("a\tb\x7f"
                                      "c\rd\ne",
                                      9)),
              "abcd\ne");
}

TEST(ConsoleCommand, ParsesWhatTheHelpPromises) {
    struct Case {
        const char* line;
        ConsoleCommand::Kind kind;
        int gate;
        double value;
    } cases[] = {
        {"set SAMPLE=100", ConsoleCommand::Set, 4, 100},
        {"set retries 20", ConsoleCommand::Set, 7, 20},
        {"set DEBUG=1", ConsoleCommand::Set, 8, 1},
        {"set SAMPLE=65535", ConsoleCommand::Set, 4, 65535},
        {"read weight", ConsoleCommand::Read, 0, 0},
        {"read SYNC", ConsoleCommand::Read, 6, 0},
        {"  close ", ConsoleCommand::Close, -1, 0},
        {"reopen", ConsoleCommand::Reopen, -1, 0},
        {"warm", ConsoleCommand::Warm, -1, 0},
        {"quit", ConsoleCommand::Quit, -1, 0},
        {"", ConsoleCommand::Empty, -1, 0},
        // Refused before anything reaches the driver.
        {"set WEIGHT=3", ConsoleCommand::Invalid, -1, 0},
        {"set SAMPLE=65536", ConsoleCommand::Invalid, -1, 0},
        {"set SAMPLE=-1", ConsoleCommand::Invalid, -1, 0},
        {"set SAMPLE=1.5", ConsoleCommand::Invalid, -1, 0},
        {"set SAMPLE", ConsoleCommand::Invalid, -1, 0},
        {"read WEIGH", ConsoleCommand::Invalid, -1, 0},
        {"close now", ConsoleCommand::Invalid, -1, 0},
        {"launch", ConsoleCommand::Invalid, -1, 0},
        {"change", ConsoleCommand::Invalid, -1, 0},
        {"change /dev/ttyUSB10", ConsoleCommand::Invalid, -1, 0},
        {"change COM2 speed=9600", ConsoleCommand::Invalid, -1, 0},
    };
    for (const Case& c : cases) {
        ConsoleCommand command = ParseConsoleCommand(c.line);
        EXPECT_EQ(command.kind, c.kind) << c.line << ": " << command.error;
        if (c.kind == ConsoleCommand::Set || c.kind == ConsoleCommand::Read) {
            EXPECT_EQ(command.gate, c.gate) << c.line;
            EXPECT_EQ(command.value, c.value) << c.line;
        }
        if (c.kind == ConsoleCommand::Invalid) {
            EXPECT_FALSE(command.error.empty()) << c.line;
        }
    }
    ConsoleCommand change = ParseConsoleCommand("change COM2 timeout=25 baud=4800");
    ASSERT_EQ(change.kind, ConsoleCommand::Change);
    EXPECT_EQ(change.port, "COM2");
    EXPECT_EQ(change.readTimeout, 25u);
    EXPECT_EQ(change.baud, 4800);
    ConsoleCommand keep = ParseConsoleCommand("change /dev/ttyS1");
    EXPECT_EQ(keep.readTimeout, 0u) << "0 keeps the driver's time-out";
    EXPECT_EQ(keep.baud, 0) << "0 keeps the line settings";
}

TEST(LiveOutput, ValuesAsTheyAreShown) {
    EXPECT_EQ(DisplayValue(static_cast<double>(-123.4f)), "-123.4");
    EXPECT_EQ(DisplayValue(500.0), "500");
    EXPECT_EQ(DisplayValue(static_cast<double>(0.00001f)), "0.00001");
    EXPECT_EQ(DisplayValue(-0.0), "0");
    // The decoder's single-precision steps leave noise below the sixth digit.
    EXPECT_EQ(DisplayValue(static_cast<double>(std::bit_cast<float>(0x43196667u))), "153.4");
    EXPECT_EQ(DisplayValue(static_cast<double>(999999.125f)), "999999");
    EXPECT_EQ(DisplayValue(1.23456), "1.23456");
    EXPECT_EQ(DisplayValue(12345.6), "12345.6");
    EXPECT_EQ(DisplayValue(99999900.0), "99999900");
    // The json value reads back as the same double, bit for bit.
    double value = static_cast<double>(999999.125f);
    EXPECT_EQ(std::strtod(JsonNumber(value).c_str(), nullptr), value);
    EXPECT_EQ(JsonNumber(std::nan("")), "null");
    EXPECT_EQ(JsonString("a\"b\\c\n"), "\"a\\\"b\\\\c\\u000a\"");
}
