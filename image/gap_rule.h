#pragma once

#include <cstdint>

// How a write is cut at runs of the erased value 0xFF. Gap pieces are left
// unstored; data pieces are stored. With the threshold off every 0xFF byte is
// a gap; with it on only runs of at least nThreshold 0xFF bytes are, and
// shorter runs are stored inside the data around them.
struct CGapRule {
    bool bUseThreshold;
    int32_t nThreshold;
};

struct CGapPiece {
    uint32_t nLength;
    bool bGap;
};

// The piece that begins at nOffset of the nLength bytes at pData (nOffset <
// nLength). It never looks past the last byte, so a run of 0xFF cut short by
// the end of the write counts only as long as it is there.
CGapPiece NextGapPiece(const uint8_t* pData, uint32_t nLength, uint32_t nOffset, const CGapRule& rule);
