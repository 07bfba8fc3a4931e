// The pair decoder takes sixteen characters at a time where it can, and the
// rest one pair at a time: the decoder that the program chose and each of
// the two ways it chooses between must read every character as a plain
// one-by-one reading does, in every position of a pair and of a record.
#include "imagefile/hex_digits.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int DigitValue(char c) {
    const std::string digits = "0123456789abcdef";
    const size_t nAt = digits.find(c >= 'A' && c <= 'F' ? char(c - 'A' + 'a') : c);
    return c == '\0' || nAt == std::string::npos ? -1 : int(nAt);
}

void ExpectDecodedOneByOne(const std::string& text) {
    std::vector<uint8_t> expected;
    unsigned nExpectedSum = 7;
    bool bValid = true;
    for (size_t i = 0; i + 1 < text.size() && bValid; i += 2) {
        const int hi = DigitValue(text[i]), lo = DigitValue(text[i + 1]);
        bValid = hi >= 0 && lo >= 0;
        expected.push_back(uint8_t(hi * 16 + lo));
        nExpectedSum += unsigned(hi * 16 + lo);
    }
    using Decoder = unsigned (*)(const uint8_t*, unsigned, uint8_t*, unsigned&);
    std::vector<Decoder> decoders{DecodeHexPairs, DecodeHexPairsOneByOne};
#if defined(KORVELT_HEX_PAIRS_SSE2)
    if (ProcessorHasSse2()) decoders.push_back(DecodeHexPairsSse2);
#endif
    const unsigned nPairs = unsigned(text.size() / 2);
    for (size_t nDecoder = 0; nDecoder < decoders.size(); ++nDecoder) {
        std::vector<uint8_t> decoded(nPairs + 1, 0xA5);
        unsigned nSum = 7;
        const unsigned nFlags =
            decoders[nDecoder](reinterpret_cast<const uint8_t*>(text.data()), nPairs, decoded.data(), nSum);
        ASSERT_EQ(!bValid, (nFlags & kNotHexPair) != 0) << "decoder " << nDecoder << ": " << text;
        EXPECT_EQ(0xA5, decoded.back()) << "written past the pairs: " << text;
        if (!bValid) continue;
        decoded.pop_back();
        EXPECT_EQ(expected, decoded) << "decoder " << nDecoder << ": " << text;
        EXPECT_EQ(nExpectedSum, nSum) << "decoder " << nDecoder << ": " << text;
    }
}

TEST(HexDigitsTest, EveryCharacterInEveryPositionIsReadAsADigitOrRefused) {
    // 24 pairs: two steps of sixteen characters and a tail.
    std::string base;
    for (int i = 0; i < 48; ++i) base += "0123456789ABCDEFabcdef"[i * 5 % 22];
    for (size_t nPosition = 0; nPosition < base.size(); ++nPosition) {
        for (int c = 0; c < 256; ++c) {
            std::string text = base;
            text[nPosition] = char(c);
            ExpectDecodedOneByOne(text);
        }
    }
}

TEST(HexDigitsTest, EveryNumberOfPairsUpToARecordDecodes) {
    std::string text;
    for (int i = 0; i < 2 * 255; ++i) text += "0123456789ABCDEFabcdef"[i * 7 % 22];
    for (size_t nPairs = 0; nPairs <= 255; ++nPairs) ExpectDecodedOneByOne(text.substr(0, 2 * nPairs));
    // Beyond a record, where sums of 16 bits would overflow.
    ExpectDecodedOneByOne(std::string(2 * 2000, 'F'));
}

}  // namespace
