#pragma once

#include <cstdint>

// The target's 32-bit address space, which every block of an image and every
// record of a file lies in.

// One past the highest address, 0xFFFFFFFF: the end of a range that reaches
// the top. It needs 64 bits, as does every end computed from an address.
constexpr uint64_t kAddressSpaceEnd = uint64_t(1) << 32;

// What searches answer when there is no address to give: an image without
// data has no highest address, a pattern that is absent no place.
constexpr uint32_t kNoAddress = 0xFFFFFFFF;
