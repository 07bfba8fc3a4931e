#pragma once

#include <cstdint>
#include <string>

#include "host/file_stream.h"

class CImageFile;

// What a file kind is, in one row: how Open chooses it and opens its file,
// what a load does before the first piece and how it reads pieces, and what a
// save writes first, piece by piece and last. A new kind is a new row.
struct CFileKind {
    int32_t nKind;
    // The extension, without its dot, that makes Open choose the kind,
    // compared whole and case-sensitively; null for a kind that Open chooses
    // otherwise (any other extension) or never.
    const char* pszExtension;
    // Extensions (null-terminated list) that choose the kind only when a file
    // is opened for writing; read, such a file is whatever its text holds.
    const char* const* ppszWriteExtensions;
    CFileStream::EMode mode;

    // What a load does before the first piece.
    void (*pStartReading)(CImageFile& file);
    // One piece, for ReadRecord; length 0 ends the data.
    void (CImageFile::*pReadPiece)(uint32_t& nAddress, uint32_t& nLength, uint8_t* pBuffer);
    // Whether reading flags its own bad lines and read errors (m_bNotSRecord):
    // a load then asks whether to take the file as raw bytes. For the other
    // kinds a read error ends the load as a failure.
    bool bFlagsBadLines;
    // Whether the file holds the addresses of its pieces. A file that does
    // not is read from address 0 upward, and a save reports it as the one
    // span from the first address saved to the image's highest address.
    bool bKeepsAddresses;

    // One piece, for WriteRecord; null for a kind that is only ever read.
    void (CImageFile::*pWritePiece)(uint32_t nAddress, uint32_t nLength, const uint8_t* pData);
    // The data bytes that a save hands to one piece, so that each piece makes
    // exactly one line, record or block.
    uint32_t nPieceSize;
    // What a save writes before the first piece, given the image's highest
    // address and the last address to be saved.
    void (*pStartWriting)(CImageFile& file, uint32_t nHighestAddress, uint32_t nLast);
    // What a save that was not cancelled writes after the last piece; null
    // for nothing.
    void (CImageFile::*pFinishWriting)();
};

// The row of a kind; null for kind 0 (none) and unknown numbers.
const CFileKind* FindFileKind(int32_t nKind);
// The kind that Open gives a file of that extension (dot included, or empty),
// opened for reading or for writing.
const CFileKind& FileKindOfExtension(const std::string& extension, bool bForWriting);
