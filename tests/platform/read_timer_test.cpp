// These cases drive Linux devices and the POSIX stand-in.
#if !defined(_WIN32)

#include <gtest/gtest.h>

#include "platform/read_timer.h"

namespace {

TEST(PlanRead, FollowsTheCommTimeoutsRules) {
    struct Case {
        const char* what;
        COMMTIMEOUTS timeouts;
        DWORD count;
        ReadTimer expected;
    };
    const Case cases[] = {
        {"all zero: wait for the whole count",
         {0, 0, 0, 0, 0},
         18,
         {false, false, false, 0, false, 0}},
        {"constant only", {0, 0, 1000, 0, 0}, 18, {false, false, true, 1000, false, 0}},
        {"multiplier per byte plus constant",
         {0, 10, 100, 0, 0},
         18,
         {false, false, true, 280, false, 0}},
        {"interval only", {50, 0, 0, 0, 0}, 18, {false, false, false, 0, true, 50}},
        {"interval and total", {50, 0, 200, 0, 0}, 18, {false, false, true, 200, true, 50}},
        {"MAXDWORD/0/0: at once", {MAXDWORD, 0, 0, 0, 0}, 18, {true, false, false, 0, false, 0}},
        {"MAXDWORD/MAXDWORD/c: first byte or c",
         {MAXDWORD, MAXDWORD, 300, 0, 0},
         18,
         {false, true, true, 300, false, 0}},
        {"MAXDWORD interval with a plain total",
         {MAXDWORD, 0, 300, 0, 0},
         18,
         {false, false, true, 300, false, 0}},
        {"no overflow of the total",
         {0, MAXDWORD, MAXDWORD, 0, 0},
         0xFFFF,
         {false, false, true, 0xFFFFull * 0xFFFFFFFFull + 0xFFFFFFFFull, false, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReadTimer got = PlanRead(c.timeouts, c.count);
        EXPECT_EQ(got.returnAtOnce, c.expected.returnAtOnce);
        EXPECT_EQ(got.returnOnFirstByte, c.expected.returnOnFirstByte);
        EXPECT_EQ(got.hasTotal, c.expected.hasTotal);
        EXPECT_EQ(got.totalMs, c.expected.totalMs);
        EXPECT_EQ(got.hasInterval, c.expected.hasInterval);
        EXPECT_EQ(got.intervalMs, c.expected.intervalMs);
    }
}

} // namespace

#endif
