#include <cstdio>
#include <string>

#include "host/host_interface.h"
#include "image/memory_image.h"

void CMemoryImage::ShowDataAreas() {
    std::string text;
    uint32_t nFirst = 0;
    uint32_t nLast = 0;
    for (int nIndex = NextArea(-1, m_nBase, nFirst, nLast); nIndex != -1;
         nIndex = NextArea(nIndex, nLast + 1, nFirst, nLast)) {
        char szLine[256];
        std::snprintf(szLine, sizeof szLine, " H'%08lX - H'%08lX      Length : H'%08lX",
                      (unsigned long)nFirst, (unsigned long)nLast,
                      (unsigned long)(uint64_t(nLast) - nFirst + 1));
        text += szLine;
        text += '\n';
    }
    if (text.empty()) text = "No data blocks assigned.";
    GetHost().MessageBox(text, kButtonsOk);
}
