#include <cctype>
#include <cstring>
#include <ostream>
#include <string>

#include "gates/gate_record.h"
#include "host/vpi_main.h"
#include "support/recording_host.h"

namespace {

struct ParseCase {
    std::string address;
    uint32_t formatType;
    int32_t result;
    bool filled;       // gateAddr written
    GateAddr gateAddr; // expected when filled
    std::string line;  // expected log line, or empty for none
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << "'" << c.address << "' type " << c.formatType;
}

std::string CaseName(const ::testing::TestParamInfo<ParseCase>& info) {
    std::string name;
    for (char ch : info.param.address.substr(0, 12)) {
        name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    }
    return std::to_string(info.index) + "_" + name + "_type" +
           std::to_string(info.param.formatType);
}

const GateAddr untouched{0x5A5A5A5A, 0x5A5A5A5A, 0x5A5A5A5A, 0x5A5A5A5A, 0x5A5A5A5A};

int32_t RunParser(const char* address, uint32_t formatType, GateRecordParse& record) {
    std::memset(&record, 0x5A, sizeof record);
    record.address = address;
    record.formatType = formatType;
    VpiRequest request{nullptr, 3, 0, 0, &record};
    return VpiMain(&request);
}

class AddressParserTest : public HostTest, public ::testing::WithParamInterface<ParseCase> {};

TEST_P(AddressParserTest, AcceptsOrRefusesWithItsLine) {
    const ParseCase& c = GetParam();
    GateRecordParse record;
    EXPECT_EQ(RunParser(c.address.c_str(), c.formatType, record), c.result);

    const GateAddr& want = c.filled ? c.gateAddr : untouched;
    EXPECT_EQ(std::memcmp(&record.gateAddr, &want, sizeof want), 0)
        << "gateAddr " << record.gateAddr.fixedZero << " " << record.gateAddr.polled << " "
        << record.gateAddr.nr << " " << record.gateAddr.fixedMinusOne << " "
        << record.gateAddr.bits;
    std::vector<LogLine> lines;
    if (!c.line.empty()) {
        lines.push_back({8, c.line});
    }
    EXPECT_EQ(host().Lines(), lines);
}

const std::string longAddress(40, 'W');

INSTANTIATE_TEST_SUITE_P(
    Gates, AddressParserTest,
    ::testing::Values(
        // Every row with its own format type.
        ParseCase{"WEIGHT", 3, 0, true, {0, 1, 0, -1, 32}, ""},
        ParseCase{"TARE", 3, 0, true, {0, 1, 1, -1, 16}, ""},
        ParseCase{"MOTION", 6, 0, true, {0, 1, 2, -1, 1}, ""},
        ParseCase{"NEGATIVE", 6, 0, true, {0, 1, 3, -1, 1}, ""},
        ParseCase{"SAMPLE", 0, 0, true, {0, 0, 4, -1, 16}, ""},
        ParseCase{"REACTION", 0, 0, true, {0, 0, 5, -1, 16}, ""},
        ParseCase{"SYNC", 0, 0, true, {0, 0, 6, -1, 16}, ""},
        ParseCase{"RETRIES", 0, 0, true, {0, 0, 7, -1, 16}, ""},
        ParseCase{"DEBUG", 6, 0, true, {0, 0, 8, -1, 16}, ""},
        // Texts that match no row.
        ParseCase{"weight", 3, 1, false, {}, "TARVIK> Parse() Illegal address string weight"},
        ParseCase{"WEIGH", 3, 1, false, {}, "TARVIK> Parse() Illegal address string WEIGH"},
        ParseCase{"WEIGHTS", 3, 1, false, {}, "TARVIK> Parse() Illegal address string WEIGHTS"},
        ParseCase{" TARE", 3, 1, false, {}, "TARVIK> Parse() Illegal address string  TARE"},
        ParseCase{"", 3, 1, false, {}, ""},
        // The lookup comes before the format test.
        ParseCase{"FOO", 7, 1, false, {}, "TARVIK> Parse() Illegal address string FOO"},
        // Too long for the working copy: refused as illegal, nothing written.
        ParseCase{
            longAddress, 3, 1, false, {}, "TARVIK> Parse() Illegal address string " + longAddress},
        ParseCase{std::string(31, 'A'),
                  3,
                  1,
                  false,
                  {},
                  "TARVIK> Parse() Illegal address string " + std::string(31, 'A')},
        // Wrong format types: the block is already filled.
        ParseCase{"MOTION",
                  7,
                  1,
                  true,
                  {0, 1, 2, -1, 1},
                  "TARVIK> SingleParse() no STRING gates allowed gate 'MOTION'"},
        ParseCase{"SAMPLE",
                  1,
                  1,
                  true,
                  {0, 0, 4, -1, 16},
                  "TARVIK> SingleParse() Gate 'SAMPLE' has wrong format type"},
        ParseCase{"SAMPLE",
                  8,
                  1,
                  true,
                  {0, 0, 4, -1, 16},
                  "TARVIK> SingleParse() Gate 'SAMPLE' has wrong format type"},
        ParseCase{"SAMPLE",
                  0xFFFFFFFF,
                  1,
                  true,
                  {0, 0, 4, -1, 16},
                  "TARVIK> SingleParse() Gate 'SAMPLE' has wrong format type"},
        ParseCase{"DEBUG",
                  0,
                  1,
                  true,
                  {0, 0, 8, -1, 16},
                  "TARVIK> SingleParse() Gate 'DEBUG' should be DIGITAL"},
        ParseCase{"WEIGHT",
                  0,
                  1,
                  true,
                  {0, 1, 0, -1, 32},
                  "TARVIK> SingleParse() Gate 'WEIGHT' should be float"},
        ParseCase{"SYNC",
                  3,
                  1,
                  true,
                  {0, 0, 6, -1, 16},
                  "TARVIK> SingleParse() Gate 'SYNC' should be analog 16 unsigned"}),
    CaseName);

TEST_F(HostTest, ParserNeedsNoContextAndIgnoresTheHostsWords) {
    GateRecordParse record;
    std::memset(&record, 0x77, sizeof record);
    record.address = "TARE";
    record.formatType = 3;
    VpiRequest request{reinterpret_cast<DriverContext*>(uintptr_t{0x8}), 3, 0, 0, &record};
    EXPECT_EQ(VpiMain(&request), 0);
    EXPECT_EQ(record.host4, 0x77777777u);
    EXPECT_EQ(record.host12, 0x77777777u);
}

} // namespace
