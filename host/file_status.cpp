#include "host/file_status.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

CFileStatus QueryFileStatus(const std::string& path) {
    CFileStatus status;
    std::error_code error;
    const fs::file_status fileStatus = fs::status(path, error);
    if (error || !fs::exists(fileStatus)) return status;

    status.m_bExists = true;
    status.m_bRegular = fs::is_regular_file(fileStatus);
    if (status.m_bRegular) {
        const uintmax_t nSize = fs::file_size(path, error);
        if (!error) status.m_nSize = nSize;
    }
    const fs::path fullPath = fs::absolute(path, error);
    if (!error) status.m_strFullPath = fullPath.lexically_normal().string();
    return status;
}

bool CanOpenForReading(const std::string& path, std::string& reason) {
    std::FILE* pFile = std::fopen(path.c_str(), "rb");
    if (!pFile) {
        reason = std::generic_category().message(errno);
        return false;
    }
    std::fclose(pFile);
    return true;
}
