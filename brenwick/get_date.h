#pragma once

#include <cstddef>

#include "brenwick/platform/platform.h"

// "05 December 2026", or with bUrlForm "05+December+2026": the day with two
// digits, the month's English name, the year in full. A month outside 1 to 12
// has an empty name.
void FormatDateText(const UtcDate& date, bool bUrlForm, char* pszText, size_t nSize);

// The longest text, a date in September, has 17 characters.
constexpr size_t kDateTextSize = 32;
