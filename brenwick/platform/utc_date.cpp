#include "brenwick/platform/utc_date.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <time.h>
#endif

namespace {

constexpr int64_t kSecondsPerDay = 86400;

int64_t ClockSeconds() {
#if defined(_WIN32)
    // Intervals of 100 ns since 1601-01-01, the start of the Windows clock.
    constexpr uint64_t kIntervalsPerSecond = 10000000;
    constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const uint64_t nIntervals = static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
    return static_cast<int64_t>(nIntervals / kIntervalsPerSecond) - kSecondsFrom1601To1970;
#else
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec);
#endif
}

}  // namespace

UtcDate UtcDateFromDaysSinceEpoch(int64_t nDays) {
    // Counted in 400-year eras that begin on 1 March, so that the leap day
    // falls at the end of each year of the era.
    const int64_t z = nDays + 719468;
    const int64_t nEra = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t nDayOfEra = z - nEra * 146097;
    const int64_t nYearOfEra = (nDayOfEra - nDayOfEra / 1460 + nDayOfEra / 36524 - nDayOfEra / 146096) / 365;
    const int64_t nDayOfYear = nDayOfEra - (365 * nYearOfEra + nYearOfEra / 4 - nYearOfEra / 100);
    const int64_t nMonthFromMarch = (5 * nDayOfYear + 2) / 153;
    const int64_t nDay = nDayOfYear - (153 * nMonthFromMarch + 2) / 5 + 1;
    const int64_t nMonth = nMonthFromMarch < 10 ? nMonthFromMarch + 3 : nMonthFromMarch - 9;
    const int64_t nYear = nYearOfEra + nEra * 400 + (nMonth <= 2 ? 1 : 0);
    return UtcDate{static_cast<int>(nYear), static_cast<int>(nMonth), static_cast<int>(nDay)};
}

UtcDate UtcDateFromSeconds(int64_t nSeconds) {
    const int64_t nDays =
        nSeconds >= 0 ? nSeconds / kSecondsPerDay : (nSeconds - (kSecondsPerDay - 1)) / kSecondsPerDay;
    return UtcDateFromDaysSinceEpoch(nDays);
}

UtcDate CurrentUtcDate() { return UtcDateFromSeconds(ClockSeconds()); }
