#include "brenwick/installer_call_block.h"

#include <cstring>

namespace {

// "%" + name + "%" and its terminator.
constexpr size_t kKeyBufferSize = kMaxVariableNameLength + 3;

size_t BoundedLength(const char* psz, size_t nLimit) {
    size_t n = 0;
    while (n < nLimit && psz[n] != '\0') ++n;
    return n;
}

// Builds the key of a variable; false for a null name or one that is too long.
bool BuildKey(const char* pszName, char (&szKey)[kKeyBufferSize], size_t* pnKeyLength) {
    if (!pszName) return false;
    size_t nNameLength = BoundedLength(pszName, kMaxVariableNameLength + 1);
    if (nNameLength > kMaxVariableNameLength) return false;
    szKey[0] = '%';
    std::memcpy(szKey + 1, pszName, nNameLength);
    szKey[nNameLength + 1] = '%';
    szKey[nNameLength + 2] = '\0';
    *pnKeyLength = nNameLength + 2;
    return true;
}

// The host's table is trusted only as far as its own fields describe it: widths
// of zero, missing tables or a count whose entries cannot be addressed make it
// unusable rather than a reason to read wild memory.
bool IsUsableTable(const InstallerCallBlock* pBlock) {
    if (!pBlock || pBlock->nameWidth == 0 || pBlock->valueWidth == 0) return false;
    if (!pBlock->variableNames || !pBlock->variableValues) return false;
    const size_t nMaxIndex =
        pBlock->variableCount > pBlock->maxVariables ? pBlock->variableCount : pBlock->maxVariables;
    return nMaxIndex <= SIZE_MAX / pBlock->nameWidth && nMaxIndex <= SIZE_MAX / pBlock->valueWidth;
}

char* NameEntry(const InstallerCallBlock* pBlock, size_t nIndex) {
    return pBlock->variableNames + nIndex * pBlock->nameWidth;
}

char* ValueEntry(const InstallerCallBlock* pBlock, size_t nIndex) {
    return pBlock->variableValues + nIndex * pBlock->valueWidth;
}

// Whole-string, case-sensitive comparison that reads no further than the
// entry's width, so an entry without a terminator never leads past its end.
bool EntryEquals(const char* pEntry, size_t nWidth, const char* pszKey, size_t nKeyLength) {
    return nKeyLength < nWidth && std::memcmp(pEntry, pszKey, nKeyLength) == 0 && pEntry[nKeyLength] == '\0';
}

// The index of the variable, or variableCount when it does not exist. The index
// is as wide as the count, so a table of any size is searched in full.
size_t FindVariable(const InstallerCallBlock* pBlock, const char* pszKey, size_t nKeyLength) {
    size_t nIndex = 0;
    while (nIndex < pBlock->variableCount &&
           !EntryEquals(NameEntry(pBlock, nIndex), pBlock->nameWidth, pszKey, nKeyLength))
        ++nIndex;
    return nIndex;
}

void CopyCut(char* pDest, size_t nDestSize, const char* pszSource, size_t nSourceLength) {
    const size_t nCopied = nSourceLength < nDestSize ? nSourceLength : nDestSize - 1;
    std::memcpy(pDest, pszSource, nCopied);
    pDest[nCopied] = '\0';
}

}  // namespace

void SetInstallerVariable(InstallerCallBlock* pBlock, const char* pszName, const char* pszValue) {
    char szKey[kKeyBufferSize];
    size_t nKeyLength = 0;
    if (!IsUsableTable(pBlock) || !BuildKey(pszName, szKey, &nKeyLength)) return;
    if (!pszValue) pszValue = "";

    size_t nIndex = FindVariable(pBlock, szKey, nKeyLength);
    if (nIndex == pBlock->variableCount) {
        if (pBlock->variableCount >= pBlock->maxVariables || nKeyLength >= pBlock->nameWidth) return;
        std::memcpy(NameEntry(pBlock, nIndex), szKey, nKeyLength + 1);
        ++pBlock->variableCount;
    }
    CopyCut(ValueEntry(pBlock, nIndex), pBlock->valueWidth, pszValue, std::strlen(pszValue));
}

bool GetInstallerVariable(const InstallerCallBlock* pBlock, const char* pszName, char* pszOut,
                          size_t nOutSize) {
    if (!pszOut || nOutSize == 0) return false;
    pszOut[0] = '\0';
    char szKey[kKeyBufferSize];
    size_t nKeyLength = 0;
    if (!IsUsableTable(pBlock) || !BuildKey(pszName, szKey, &nKeyLength)) return true;

    const size_t nIndex = FindVariable(pBlock, szKey, nKeyLength);
    if (nIndex == pBlock->variableCount) return true;
    const char* pValue = ValueEntry(pBlock, nIndex);
    const size_t nLength = BoundedLength(pValue, pBlock->valueWidth);
    CopyCut(pszOut, nOutSize, pValue, nLength);
    return nLength < nOutSize;
}
