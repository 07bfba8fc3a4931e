#include "brenwick/platform/version_info_block.h"

namespace {

constexpr size_t kFixedFileInfoSize = 13 * 4;

size_t AlignTo4(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

uint16_t U16(const std::vector<uint8_t>& data, size_t n) {
    return static_cast<uint16_t>(data[n] | data[n + 1] << 8);
}

uint32_t U32(const std::vector<uint8_t>& data, size_t n) {
    return U16(data, n) | static_cast<uint32_t>(U16(data, n + 2)) << 16;
}

}  // namespace

bool ReadVersionText(const std::vector<uint8_t>& data, size_t nBegin, size_t nEnd, std::string* pText,
                     size_t* pnAfter) {
    pText->clear();
    for (size_t n = nBegin; n + 2 <= nEnd; n += 2) {
        const uint16_t c = U16(data, n);
        if (c == 0) {
            *pnAfter = n + 2;
            return true;
        }
        pText->push_back(c <= 0xFF ? static_cast<char>(c) : '?');
    }
    return false;
}

bool ParseVersionBlock(const std::vector<uint8_t>& data, size_t nBegin, size_t nLimit, VersionBlock* pBlock) {
    if (nBegin > nLimit || nLimit - nBegin < 6) return false;
    const uint16_t nLength = U16(data, nBegin);
    if (nLength < 6 || nLength > nLimit - nBegin) return false;
    pBlock->nEnd = nBegin + nLength;
    pBlock->nValueLength = U16(data, nBegin + 2);
    pBlock->nType = U16(data, nBegin + 4);
    size_t nAfterKey = 0;
    if (!ReadVersionText(data, nBegin + 6, pBlock->nEnd, &pBlock->key, &nAfterKey)) return false;
    const size_t nValueBytes =
        pBlock->nType == kVersionTextValue ? 2u * pBlock->nValueLength : pBlock->nValueLength;
    pBlock->nValue = AlignTo4(nAfterKey);
    if (pBlock->nValue > pBlock->nEnd) pBlock->nValue = pBlock->nEnd;
    if (pBlock->nType != kVersionTextValue && nValueBytes > pBlock->nEnd - pBlock->nValue) return false;
    pBlock->nChildren = AlignTo4(pBlock->nValue + nValueBytes);
    return true;
}

// The version service finds the fixed part where the loader hands the root
// block over, not where the block's sizes say: right after the key, whatever
// the block's length, when the value is declared long enough for it (the
// length that VerQueryValue reports and the exports check). Its own copy of
// the resource is zero past the resource's bytes, up to twice their number
// and four bytes more; a fixed part beyond that copy is not read.
bool ReadVersionRootBlock(const std::vector<uint8_t>& resource, FixedFileInfo* pInfo) {
    std::string key;
    size_t nAfterKey = 0;
    if (resource.size() < 6 || U16(resource, 4) == kVersionTextValue ||
        U16(resource, 2) < kFixedFileInfoSize ||
        !ReadVersionText(resource, 6, resource.size(), &key, &nAfterKey))
        return false;
    const size_t nValue = AlignTo4(nAfterKey);
    if (nValue + kFixedFileInfoSize > 2 * resource.size() + 4) return false;
    std::vector<uint8_t> fixed(kFixedFileInfoSize, 0);
    for (size_t i = 0; i < kFixedFileInfoSize && nValue + i < resource.size(); ++i)
        fixed[i] = resource[nValue + i];
    uint32_t* pFields[] = {&pInfo->dwSignature,     &pInfo->dwStrucVersion,     &pInfo->dwFileVersionMS,
                           &pInfo->dwFileVersionLS, &pInfo->dwProductVersionMS, &pInfo->dwProductVersionLS,
                           &pInfo->dwFileFlagsMask, &pInfo->dwFileFlags,        &pInfo->dwFileOS,
                           &pInfo->dwFileType,      &pInfo->dwFileSubtype,      &pInfo->dwFileDateMS,
                           &pInfo->dwFileDateLS};
    for (size_t i = 0; i < sizeof(pFields) / sizeof(pFields[0]); ++i) *pFields[i] = U32(fixed, 4 * i);
    return true;
}
