#pragma once

#include <iosfwd>

// The convert command: converts the file named by its one argument into a raw
// .cde image and reports start address, end address and code length. Every
// message goes to `out`, one flushed line each; the answer to a question comes
// from one line of `in`. The result is the exit status: 0 when the .cde file
// was written (or help or the version was asked for), 1 otherwise.
int RunConvertCommand(int argc, const char* const argv[], std::istream& in, std::ostream& out);
