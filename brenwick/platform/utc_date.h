#pragma once

#include <cstdint>

#include "brenwick/platform/platform.h"

// The calendar date of a day counted from 1 January 1970 (day 0), in the
// proleptic Gregorian calendar.
UtcDate UtcDateFromDaysSinceEpoch(int64_t nDays);

// Today in UTC, from the standard library's system clock.
UtcDate CurrentUtcDate();
