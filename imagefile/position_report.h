#pragma once

#include <cstdint>
#include <string>

class CMemoryImage;

// The text that a load or a save composes about what it moved: the module,
// the address areas (at most kMaxAreaLines of them), the byte count and the
// time taken. It writes into a string that the caller owns.
class CPositionReport {
public:
    enum EDirection { kLoaded, kSaved };
    static constexpr int kMaxAreaLines = 30;

    CPositionReport(std::string& text, EDirection direction) : m_text(text), m_direction(direction) {}

    // Starts the text afresh.
    void Start(const char* pszModuleName);
    // Appends " H'first - H'last" unless the list is full already.
    void AddArea(uint32_t nFirst, uint32_t nLast);
    bool IsFull() const { return m_nAreasListed >= kMaxAreaLines; }
    // After a full list, tells how far the areas that were left out reach:
    // the image's highest address. Whether the image holds data decides, not
    // that address, which an image without data reports too (0xFFFFFFFF) and
    // data that reaches the top of the address space has as well.
    void AddAreasUpTo(CMemoryImage& image);
    void AddTotals(int64_t nBytes, uint64_t nMilliseconds);
    void AddNotAllLoaded();

private:
    std::string& m_text;
    EDirection m_direction;
    int m_nAreasListed = 0;
};
