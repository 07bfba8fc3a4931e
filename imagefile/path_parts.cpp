#include "imagefile/path_parts.h"

#include <cctype>
#include <cstring>

CPathParts SplitPath(const char* pszPath) {
    std::string path(pszPath);
    CPathParts parts;
    size_t nStart = 0;
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        parts.drive = path.substr(0, 2);
        nStart = 2;
    }
    size_t nLastSlash = path.find_last_of("/\\");
    size_t nNameStart = nStart;
    if (nLastSlash != std::string::npos && nLastSlash >= nStart) {
        parts.directory = path.substr(nStart, nLastSlash + 1 - nStart);
        nNameStart = nLastSlash + 1;
    }
    std::string name = path.substr(nNameStart);
    size_t nDot = name.rfind('.');
    if (nDot == std::string::npos) {
        parts.baseName = name;
    } else {
        parts.baseName = name.substr(0, nDot);
        parts.extension = name.substr(nDot);
    }
    return parts;
}

void CopyName(char (&szField)[256], const std::string& name) {
    const size_t nLength = name.size() < sizeof szField ? name.size() : sizeof szField - 1;
    std::memcpy(szField, name.data(), nLength);
    szField[nLength] = '\0';
}
