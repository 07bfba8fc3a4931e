#pragma once

#include <cstddef>
#include <cstdint>

// The installer's call block as the exports read it. The host owns it and its
// variable table; an export uses it only during the call. In the 32-bit DLL
// that the installer loads, addresses are 32-bit and the block is the host's
// 44-byte record; a 64-bit build has 64-bit addresses, so its block has the
// same fields in the same order with the natural alignment of that build.
struct InstallerCallBlock {
    uint32_t hostWords0[2];   // the host's; never read
    uint32_t maxVariables;    // capacity of the variable table, in entries
    uint32_t nameWidth;       // bytes of one name entry
    uint32_t valueWidth;      // bytes of one value entry
    uint32_t variableCount;   // entries in use; the only field an export writes
    char* variableNames;      // name table: entry i at variableNames + i * nameWidth
    char* variableValues;     // value table: entry i at variableValues + i * valueWidth
    uint32_t hostWords32[2];  // the host's; never read
    const char* parameter;    // the call's text parameter
};

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(InstallerCallBlock) == 44, "the installer's call block has 44 bytes");
static_assert(offsetof(InstallerCallBlock, maxVariables) == 8, "call block layout");
static_assert(offsetof(InstallerCallBlock, nameWidth) == 12, "call block layout");
static_assert(offsetof(InstallerCallBlock, valueWidth) == 16, "call block layout");
static_assert(offsetof(InstallerCallBlock, variableCount) == 20, "call block layout");
static_assert(offsetof(InstallerCallBlock, variableNames) == 24, "call block layout");
static_assert(offsetof(InstallerCallBlock, variableValues) == 28, "call block layout");
static_assert(offsetof(InstallerCallBlock, hostWords32) == 32, "call block layout");
static_assert(offsetof(InstallerCallBlock, parameter) == 40, "call block layout");
#endif

#if UINTPTR_MAX == UINT64_MAX
static_assert(sizeof(InstallerCallBlock) == 56, "64-bit call block layout");
static_assert(offsetof(InstallerCallBlock, variableNames) == 24, "64-bit call block layout");
static_assert(offsetof(InstallerCallBlock, variableValues) == 32, "64-bit call block layout");
static_assert(offsetof(InstallerCallBlock, hostWords32) == 40, "64-bit call block layout");
static_assert(offsetof(InstallerCallBlock, parameter) == 48, "64-bit call block layout");
#endif

// A variable's name has at most this many characters: the key that the table
// holds is the name between two percent signs, built in a 32-byte buffer.
constexpr size_t kMaxVariableNameLength = 29;

// Sets the variable `pszName` (without percent signs) to `pszValue`: replaced
// in place when the table has it, otherwise appended while the table has room.
// Nothing is ever written beyond an entry: a value longer than its entry is cut
// to fit with its terminator, and a name longer than kMaxVariableNameLength, or
// whose key does not fit a name entry, is refused. A block whose table cannot
// be used (null, zero widths, null tables) is left alone.
void SetInstallerVariable(InstallerCallBlock* pBlock, const char* pszName, const char* pszValue);

// Copies the value of the variable `pszName` into `pszOut` (nOutSize bytes),
// cut to fit with its terminator; an absent variable reads as the empty
// string. Returns false when the value had to be cut.
bool GetInstallerVariable(const InstallerCallBlock* pBlock, const char* pszName, char* pszOut,
                          size_t nOutSize);
