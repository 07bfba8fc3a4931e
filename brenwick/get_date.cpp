#include "brenwick/get_date.h"

#include <cstdio>

#include "brenwick/brenwick_exports.h"

namespace {
const char* const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
}  // namespace

void FormatDateText(const UtcDate& date, bool bUrlForm, char* pszText, size_t nSize) {
    const char* pszMonth = date.nMonth >= 1 && date.nMonth <= 12 ? kMonthNames[date.nMonth - 1] : "";
    std::snprintf(pszText, nSize, bUrlForm ? "%02i+%s+%i" : "%02i %s %i", date.nDay, pszMonth, date.nYear);
}

extern "C" int BRENWICK_CALL GetDate(InstallerCallBlock* pBlock) {
    if (!pBlock || !pBlock->parameter) return 0;
    char szText[kDateTextSize];
    FormatDateText(GetPlatform().GetUtcDate(), pBlock->parameter[0] == 'W', szText, sizeof(szText));
    SetInstallerVariable(pBlock, "GD_DATE", szText);
    return 1;
}
