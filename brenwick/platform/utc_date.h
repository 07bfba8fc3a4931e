#pragma once

#include <cstdint>

#include "brenwick/platform/platform.h"

// The calendar date of a day counted from 1 January 1970 (day 0), in the
// proleptic Gregorian calendar.
UtcDate UtcDateFromDaysSinceEpoch(int64_t nDays);

// The date of a moment in seconds since 1970-01-01 00:00:00 UTC, negative
// before it.
UtcDate UtcDateFromSeconds(int64_t nSeconds);

// Today in UTC. The clock is read in whole seconds, so that every date that
// GetSystemTime can give, 1601 to 30827, comes out right: a count of
// nanoseconds in 64 bits, as the standard library's clock keeps it, ends in
// April 2262.
UtcDate CurrentUtcDate();
