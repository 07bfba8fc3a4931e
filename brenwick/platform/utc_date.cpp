#include "brenwick/platform/utc_date.h"

#include <chrono>

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

UtcDate CurrentUtcDate() {
    const auto nSeconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    const int64_t nDays = nSeconds >= 0 ? nSeconds / 86400 : (nSeconds - 86399) / 86400;
    return UtcDateFromDaysSinceEpoch(nDays);
}
