#pragma once

#include <cstddef>
#include <string>

// How the text of an INI file is stored, told by its byte-order mark as the
// private-profile service tells it: FF FE is UTF-16 little-endian, FE FF
// UTF-16 big-endian, EF BB BF UTF-8; a file without a mark is in the ANSI
// code page (1252). A file is written back in the encoding it was read in.
enum class ETextEncoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

// The encoding of a file's contents and the length of its mark.
ETextEncoding DetectTextEncoding(const std::string& bytes, size_t* pnMarkLength);
std::string ByteOrderMark(ETextEncoding encoding);

// Text between the mark and the end of the file as UTF-16 units, and back.
// Decoding loses nothing that encoding needs to give the same bytes again: a
// UTF-8 byte that is not part of a well-formed character is kept as the lone
// surrogate U+DC80 to U+DCFF (and reads as "?" through the ANSI code page);
// an odd last byte of a UTF-16 file is read as a unit of its own, as if the
// file ended with a zero byte.
std::u16string DecodeText(ETextEncoding encoding, const std::string& bytes, size_t nBegin);
std::string EncodeText(ETextEncoding encoding, const std::u16string& text);
