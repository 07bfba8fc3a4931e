#pragma once

#include <string>

// The name of the .cde file for an input name: the input up to its last '.'
// (the '.' left out) followed by ".cde". The cut ignores directories, so
// dir.2/prog gives dir.cde, and a name without any '.' gives ".cde".
std::string MakeOutputName(const std::string& inputName);
