#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "brenwick/platform/byte_source.h"
#include "brenwick/platform/portable_locale.h"

// Finds the version resource of a 32-bit (PE32) or 64-bit (PE32+) Windows
// executable or DLL, the way the version service looks for it: resource type
// RT_VERSION (16), name 1, and of its languages the first in the loader's
// search order for a user and system of language nUserLanguage: neutral
// (0x0000), nUserLanguage itself, its primary language with the neutral
// sub-language, English (United States); failing all of them, the first
// language that the file lists. Copies its bytes, at most the
// 64 KiB that a version block can describe, with zeros for what lies past the
// section, as the loader maps it. Every offset and size in the file is checked
// before it is followed; a file that is not such an executable, or that is
// cut short or damaged, gives false. *pnLanguage, when asked for,
// receives the language of the resource (0x0809 for English, United Kingdom).
bool ReadPeVersionResource(const CByteSource& source, std::vector<uint8_t>* pResource,
                           uint32_t* pnLanguage = nullptr, uint16_t nUserLanguage = kPortableLanguage);
bool ReadPeVersionResource(const std::string& path, std::vector<uint8_t>* pResource,
                           uint32_t* pnLanguage = nullptr, uint16_t nUserLanguage = kPortableLanguage);
