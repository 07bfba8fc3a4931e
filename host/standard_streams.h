#pragma once

// A program started with a standard stream closed would hand that stream's
// number to the next file it opens, and its messages would go into that file
// (the output being written, for one). This keeps every closed one of the
// three occupied by the null device; false when standard output was closed,
// so that the program knows its messages cannot reach anyone.
bool ReserveStandardStreams();
