#pragma once

#include <cstddef>
#include <string>
#include <vector>

// How the text of an INI file is stored, told by its byte-order mark as the
// private-profile service tells it: FF FE is UTF-16 little-endian, FE FF
// UTF-16 big-endian, EF BB BF UTF-8; a file without a mark is in the ANSI
// code page (1252). A file is written back in the encoding it was read in.
enum class ETextEncoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

// The encoding of a file's contents and the length of its mark.
ETextEncoding DetectTextEncoding(const std::string& bytes, size_t* pnMarkLength);
std::string ByteOrderMark(ETextEncoding encoding);

// Text between the mark and the end of the file as UTF-16 units, as the
// service decodes it: a UTF-8 sequence that is not a character reads as
// U+FFFD; an odd last byte of a UTF-16 file as a unit of its own. With
// pOffsets, each unit's first byte in the file, and one more offset for the
// end of the file. Encoding writes a surrogate without its other half as
// U+FFFD in UTF-8.
std::u16string DecodeText(ETextEncoding encoding, const std::string& bytes, size_t nBegin,
                          std::vector<size_t>* pOffsets = nullptr);
std::string EncodeText(ETextEncoding encoding, const std::u16string& text);
