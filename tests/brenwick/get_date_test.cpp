#include "brenwick/get_date.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "brenwick/brenwick_exports.h"
#include "brenwick/platform/utc_date.h"
#include "fake_platform.h"
#include "test_call_block.h"

namespace {

std::string DateText(const UtcDate& date, bool bUrlForm) {
    char szText[kDateTextSize];
    FormatDateText(date, bUrlForm, szText, sizeof(szText));
    return szText;
}

std::string CallGetDate(CFakePlatform& platform, const UtcDate& date, const char* pszParameter) {
    platform.m_date = date;
    CTestCallBlock block(4, 10, 18);
    block.Parameter(pszParameter);
    EXPECT_EQ(1, GetDate(block.Block()));
    return block.Value("GD_DATE");
}

TEST(GetDateText, TheTwoFormsOfADate) {
    EXPECT_EQ("05 December 2026", DateText({2026, 12, 5}, false));
    EXPECT_EQ("05+December+2026", DateText({2026, 12, 5}, true));
    EXPECT_EQ("30 September 2026", DateText({2026, 9, 30}, false));
    EXPECT_EQ("01 January 10000", DateText({10000, 1, 1}, false));
}

TEST(GetDateText, EveryMonthHasItsEnglishName) {
    const char* const kNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                  "July",    "August",   "September", "October", "November", "December"};
    for (int nMonth = 1; nMonth <= 12; ++nMonth)
        EXPECT_EQ("15 " + std::string(kNames[nMonth - 1]) + " 1999", DateText({1999, nMonth, 15}, false));
}

TEST(GetDateText, AMonthOutsideTheYearHasNoName) {
    EXPECT_EQ("01  2026", DateText({2026, 0, 1}, false));
    EXPECT_EQ("01++2026", DateText({2026, 13, 1}, true));
}

TEST(GetDateExport, AnUpperCaseWFirstSelectsTheUrlForm) {
    CFakePlatform platform;
    EXPECT_EQ("05+December+2026", CallGetDate(platform, {2026, 12, 5}, "W"));
    EXPECT_EQ("05+December+2026", CallGetDate(platform, {2026, 12, 5}, "Week"));
    EXPECT_EQ("05 December 2026", CallGetDate(platform, {2026, 12, 5}, "w"));
    EXPECT_EQ("05 December 2026", CallGetDate(platform, {2026, 12, 5}, ""));
    EXPECT_EQ("05 December 2026", CallGetDate(platform, {2026, 12, 5}, " W"));
}

TEST(GetDateExport, TheLongestDateFitsAnEntryOf18Bytes) {
    CFakePlatform platform;
    EXPECT_EQ("30 September 2026", CallGetDate(platform, {2026, 9, 30}, ""));
}

TEST(GetDateExport, ANullParameterOrBlockGivesFalseAndSetsNothing) {
    CFakePlatform platform;
    CTestCallBlock block;
    block.Parameter(nullptr);
    EXPECT_EQ(0, GetDate(block.Block()));
    EXPECT_EQ(0u, block.Count());
    EXPECT_EQ(0, GetDate(nullptr));
}

TEST(UtcDate, DaysSinceTheEpochBecomeCalendarDates) {
    struct Case {
        int64_t nDays;
        UtcDate date;
    };
    const Case cases[] = {
        {0, {1970, 1, 1}},      {-1, {1969, 12, 31}},   {59, {1970, 3, 1}},     {10956, {1999, 12, 31}},
        {11016, {2000, 2, 29}}, {11017, {2000, 3, 1}},  {20792, {2026, 12, 5}}, {47540, {2100, 2, 28}},
        {47541, {2100, 3, 1}},  {-25567, {1900, 1, 1}},
    };
    for (const Case& c : cases) {
        const UtcDate date = UtcDateFromDaysSinceEpoch(c.nDays);
        EXPECT_EQ(c.date.nYear, date.nYear) << c.nDays;
        EXPECT_EQ(c.date.nMonth, date.nMonth) << c.nDays;
        EXPECT_EQ(c.date.nDay, date.nDay) << c.nDays;
    }
}

// From the first to the last second that GetSystemTime can give, past the
// end of a nanosecond count in 64 bits (2262-04-11 23:47:16).
TEST(UtcDate, EverySecondOfTheWindowsClockHasItsDate) {
    struct Case {
        int64_t nSeconds;
        UtcDate date;
    };
    const Case cases[] = {
        {-11644473600, {1601, 1, 1}}, {-11644473601, {1600, 12, 31}}, {-1, {1969, 12, 31}},
        {0, {1970, 1, 1}},            {86399, {1970, 1, 1}},          {86400, {1970, 1, 2}},
        {9223372036, {2262, 4, 11}},  {9223372037, {2262, 4, 11}},    {9223372036 + 86400, {2262, 4, 12}},
        {910670515199, {30827, 12, 31}},
    };
    for (const Case& c : cases) {
        const UtcDate date = UtcDateFromSeconds(c.nSeconds);
        EXPECT_EQ(c.date.nYear, date.nYear) << c.nSeconds;
        EXPECT_EQ(c.date.nMonth, date.nMonth) << c.nSeconds;
        EXPECT_EQ(c.date.nDay, date.nDay) << c.nSeconds;
    }
}

TEST(UtcDate, TodayIsTheDateOfTheSystemClockInUtc) {
    const std::time_t before = std::time(nullptr);
    const UtcDate today = CurrentUtcDate();
    const std::time_t after = std::time(nullptr);
    bool bMatches = false;
    for (std::time_t t : {before, after}) {
        const std::tm* pTm = std::gmtime(&t);
        bMatches = bMatches || (pTm->tm_year + 1900 == today.nYear && pTm->tm_mon + 1 == today.nMonth &&
                                pTm->tm_mday == today.nDay);
    }
    EXPECT_TRUE(bMatches);
}

}  // namespace
