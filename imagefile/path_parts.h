#pragma once

#include <string>

// A path in the four parts that the file handler works with. Both '/' and
// '\\' separate directories, and a drive is a letter and a colon at the start,
// so Windows paths split the same way on every OS.
struct CPathParts {
    std::string drive;      // "C:" or empty
    std::string directory;  // up to and including the last slash, or empty
    std::string baseName;   // between the directory and the extension
    std::string extension;  // from the last '.' of the name on, dot included, or empty
};

CPathParts SplitPath(const char* pszPath);

// Copies a name into one of the file handler's name fields (255 characters
// and a zero byte); a longer name is cut rather than allowed to run past it.
void CopyName(char (&szField)[256], const std::string& name);
