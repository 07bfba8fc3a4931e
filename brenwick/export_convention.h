#pragma once

// How an export is declared. On Windows the installer calls every export with
// the WINAPI convention, and brenwick.def alone decides what the DLL exports
// and under which undecorated names, so no dllexport attribute is given there.
// Elsewhere the shared library is built with hidden visibility and only these
// functions are visible.
#if defined(_WIN32)
#define BRENWICK_CALL __stdcall
#define BRENWICK_EXPORT
#else
#define BRENWICK_CALL
#define BRENWICK_EXPORT __attribute__((visibility("default")))
#endif
