#include "imagefile/position_report.h"

#include <cstdarg>
#include <cstdio>

#include "image/memory_image.h"

namespace {

// Every line goes through a buffer of 256 characters, as the report always
// has, so no single line can grow without bound.
__attribute__((format(printf, 2, 3))) void AppendLine(std::string& text, const char* pszFormat, ...) {
    char szLine[256];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(szLine, sizeof szLine, pszFormat, args);
    va_end(args);
    text += szLine;
}

}  // namespace

void CPositionReport::Start(const char* pszModuleName) {
    m_text = "Module : ";
    m_text += pszModuleName;
    m_text += m_direction == kLoaded ? "\n\nData loaded at the following positions:\n\n"
                                     : "\n\nData saved at the following positions:\n\n";
    m_nAreasListed = 0;
}

void CPositionReport::AddArea(uint32_t nFirst, uint32_t nLast) {
    if (IsFull()) return;
    AppendLine(m_text, " H'%08lX - H'%08lX\n", static_cast<unsigned long>(nFirst),
               static_cast<unsigned long>(nLast));
    ++m_nAreasListed;
}

void CPositionReport::AddAreasUpTo(CMemoryImage& image) {
    if (!IsFull() || !image.HasData()) return;
    AppendLine(m_text, " Areas up to - H'%08lX\n", static_cast<unsigned long>(image.GetHighestAddress()));
}

void CPositionReport::AddTotals(int64_t nBytes, uint64_t nMilliseconds) {
    // 64-bit counts: a load or save of 2 GiB or more must not report a
    // negative number of bytes.
    const long long nCount = static_cast<long long>(nBytes);
    const double seconds = static_cast<double>(nMilliseconds) * 0.001;
    if (m_direction == kLoaded)
        AppendLine(m_text, "\n%lld bytes loaded in %2.2f seconds\n", nCount, seconds);
    else
        AppendLine(m_text, "\n%lld bytes saved in %2.2f seconds\n", nCount, seconds);
}

void CPositionReport::AddNotAllLoaded() {
    m_text += "\nNot all the file data could be loaded\n";
}
