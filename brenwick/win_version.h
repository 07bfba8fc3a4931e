#pragma once

#include <cstddef>

#include "brenwick/platform/platform.h"

// The "WINVER" text is at most 127 characters.
constexpr size_t kWinVerTextSize = 128;

// The text that names the Windows of a version record: the family and version
// by the first matching row of the table, " OSR2" after "95" for builds above
// 1080, and on the NT platform " SP" with the last character of the service
// pack text when there is one. An unlisted platform gives "??".
void FormatWinVerText(const OsVersionRecord& record, char (&szText)[kWinVerTextSize]);

// An NT-platform system of major version 5 (Windows 2000, XP, Server 2003).
bool IsWindows2000Family(const OsVersionRecord& record);
