#include "image/data_block.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "image/image_heap.h"

CDataBlock::CDataBlock(uint32_t nStart, uint32_t nLength)
    : m_nStart(nStart),
      m_nLength(nLength),
      m_pData(nullptr),
      m_pPrev(nullptr),
      m_pNext(nullptr),
      m_nSequence(0),
      m_bGap(false) {}

CDataBlock::~CDataBlock() {
    FreeBytes();
}

namespace {

// Stands right before m_pData, wherever Narrow has moved it: from it a block
// finds its allocation and its size without a pointer and a length of its
// own, which would make every block 16 bytes larger, also the many that never
// hold bytes. Freeing bytes of the heap needs neither, so that emptying an
// image does not read the bytes of its blocks.
struct CByteHeader {
    // From the first byte after the allocation's header to m_pData.
    uint32_t nOffset;
    // The bytes after the header.
    uint32_t nAllocated;
};
constexpr uint32_t kHeaderSize = sizeof(CByteHeader);

// A loaded image is mostly blocks: four for every run of a file (data, mark,
// saved gap, undo range), most of them without bytes.
static_assert(sizeof(CDataBlock) <= 4 * sizeof(void*) + 16, "a block is its pointers and its numbers");

CByteHeader HeaderOf(const uint8_t* pData) {
    CByteHeader header;
    std::memcpy(&header, pData - kHeaderSize, kHeaderSize);
    return header;
}

void PutHeader(uint8_t* pData, const CByteHeader& header) {
    std::memcpy(pData - kHeaderSize, &header, kHeaderSize);
}

}  // namespace

uint8_t* CDataBlock::NewBytes(uint32_t nLength, bool& bFromFreeStore) {
    uint8_t* pAllocation = nullptr;
    if (m_bInHeap && nLength <= CImageHeap::kMaxChunkBytes - kHeaderSize)
        pAllocation = CImageHeap::OfBlock(this).AllocateBytes(nLength + kHeaderSize);
    bFromFreeStore = pAllocation == nullptr;
    if (bFromFreeStore) {
        // With the header, the bytes of a block of nearly 4 GiB would not fit
        // a 32-bit size: refused as any allocation beyond the system's.
        if (sizeof(size_t) <= sizeof(uint32_t) && nLength > UINT32_MAX - kHeaderSize) throw std::bad_alloc();
        pAllocation = new uint8_t[size_t{nLength} + kHeaderSize];
        if (m_bInHeap) CImageHeap::OfBlock(this).NoteFromFreeStore(+1);
    }
    uint8_t* const pBytes = pAllocation + kHeaderSize;
    PutHeader(pBytes, {0, nLength});
    return pBytes;
}

void CDataBlock::FreeBytes() {
    if (!m_pData) return;
    if (m_bBytesFromFreeStore) {
        delete[] (m_pData - HeaderOf(m_pData).nOffset - kHeaderSize);
        if (m_bInHeap) CImageHeap::OfBlock(this).NoteFromFreeStore(-1);
    } else {
        CImageHeap::OfBlock(this).FreeBytes(m_pData);
    }
    m_pData = nullptr;
}

void CDataBlock::AllocateBytes() {
    if (m_pData) return;
    m_pData = NewBytes(m_nLength, m_bBytesFromFreeStore);
    std::memset(m_pData, 0xFF, m_nLength);
}

uint8_t* CDataBlock::GetDataPointer(uint32_t address) {
    AllocateBytes();
    if (address < m_nStart || address - m_nStart >= m_nLength) return nullptr;
    return m_pData + (address - m_nStart);
}

void CDataBlock::SetData(uint32_t address, uint32_t length, const uint8_t* pSource) {
    // Bytes that are about to be overwritten whole need no 0xFF fill first.
    if (!m_pData && address == m_nStart && length == m_nLength && length > 0 && pSource) {
        m_pData = NewBytes(m_nLength, m_bBytesFromFreeStore);
        std::memcpy(m_pData, pSource, length);
        return;
    }
    AllocateBytes();
    if (address < m_nStart || uint64_t(address) + length > uint64_t(m_nStart) + m_nLength) return;
    if (length == 0 || !pSource) return;
    std::memmove(m_pData + (address - m_nStart), pSource, length);
}

void CDataBlock::Narrow(uint32_t nStart, uint32_t nLength) {
    if (m_pData) {
        uint8_t* const pKept = m_pData + (nStart - m_nStart);
        CByteHeader header = HeaderOf(m_pData);
        if (nLength >= header.nAllocated / 2) {
            // The header moves along, over bytes that are no longer kept.
            header.nOffset += nStart - m_nStart;
            PutHeader(pKept, header);
            m_pData = pKept;
        } else {
            bool bFromFreeStore = false;
            uint8_t* const pMoved = NewBytes(nLength, bFromFreeStore);
            std::memcpy(pMoved, pKept, nLength);
            FreeBytes();
            m_pData = pMoved;
            m_bBytesFromFreeStore = bFromFreeStore;
        }
    }
    m_nStart = nStart;
    m_nLength = nLength;
}
