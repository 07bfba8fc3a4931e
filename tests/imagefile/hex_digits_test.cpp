// The pair decoder takes sixteen characters at a time where it can, and the
// rest one pair at a time: both must read every character as the digit
// tables do, in every position of a pair and of a record.
#include "imagefile/hex_digits.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

int DigitValue(unsigned char c) {
    const char* const pszDigits = "0123456789abcdef";
    if (c >= 'A' && c <= 'F') c = static_cast<unsigned char>(c - 'A' + 'a');
    const char* pFound = c == 0 ? nullptr : std::strchr(pszDigits, c);
    return pFound ? static_cast<int>(pFound - pszDigits) : -1;
}

// Decodes like DecodeHexPairs, one character at a time; false for a text that
// is not all digits.
bool DecodeOneByOne(const std::string& text, std::vector<uint8_t>& bytes, unsigned& nSum) {
    bytes.clear();
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        const int hi = DigitValue(static_cast<unsigned char>(text[i]));
        const int lo = DigitValue(static_cast<unsigned char>(text[i + 1]));
        if (hi < 0 || lo < 0) return false;
        bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
        nSum += static_cast<unsigned>(hi * 16 + lo);
    }
    return true;
}

void ExpectDecodedAsOneByOne(const std::string& text) {
    const unsigned nPairs = static_cast<unsigned>(text.size() / 2);
    std::vector<uint8_t> decoded(nPairs + 1, 0xA5);
    unsigned nSum = 7;
    const unsigned nFlags = DecodeHexPairs(reinterpret_cast<const uint8_t*>(text.data()), nPairs, decoded.data(), nSum);
    std::vector<uint8_t> expected;
    unsigned nExpectedSum = 7;
    const bool bValid = DecodeOneByOne(text, expected, nExpectedSum);
    ASSERT_EQ(!bValid, (nFlags & kNotHexPair) != 0) << text;
    EXPECT_EQ(0xA5, decoded[nPairs]) << "written past the pairs: " << text;
    if (!bValid) return;
    decoded.resize(nPairs);
    EXPECT_EQ(expected, decoded) << text;
    EXPECT_EQ(nExpectedSum, nSum) << text;
}

TEST(HexDigitsTest, EveryCharacterInEveryPositionIsReadAsADigitOrRefused) {
    // 24 pairs: one full step of sixteen characters, a second, and a tail.
    std::string base;
    for (int i = 0; i < 48; ++i) base += "0123456789ABCDEFabcdef"[i * 5 % 22];
    for (size_t nPosition = 0; nPosition < base.size(); ++nPosition) {
        for (int c = 0; c < 256; ++c) {
            std::string text = base;
            text[nPosition] = static_cast<char>(c);
            ExpectDecodedAsOneByOne(text);
        }
    }
}

TEST(HexDigitsTest, EveryNumberOfPairsUpToARecordDecodes) {
    std::string text;
    for (int i = 0; i < 2 * 255; ++i) text += "0123456789ABCDEFabcdef"[i * 7 % 22];
    for (size_t nPairs = 0; nPairs <= 255; ++nPairs) ExpectDecodedAsOneByOne(text.substr(0, 2 * nPairs));
}

}  // namespace
