#pragma once

#include <cstdint>

// Milliseconds of a monotonic clock, for timing loads and saves.
uint64_t GetProcessMilliseconds();
