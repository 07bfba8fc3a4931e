#include "brenwick/platform/profile_file.h"

#include <filesystem>

namespace {

EProfileFile Examine(CNativeFile& file, EFileOpen opened, ProfileFileStamp* pStamp) {
    *pStamp = ProfileFileStamp();
    if (opened == EFileOpen::kMissing) return EProfileFile::kMissing;
    if (opened != EFileOpen::kOpen || !file.Stat(&pStamp->info) || !pStamp->info.bRegular)
        return EProfileFile::kUnusable;
    pStamp->bExists = true;
    return EProfileFile::kPresent;
}

// As many links as the system follows in one path before it gives up.
constexpr int kMaxLinks = 40;

// Where a write goes: the file at the end of a chain of links, which need not
// exist yet (a link that names no file creates it, as a plain open would),
// else the path itself; false for a loop, or a link that cannot be read.
bool ResolveLinks(const std::string& path, std::string* pTarget) {
    std::filesystem::path current = path;
    for (int i = 0; i <= kMaxLinks; ++i) {
        std::error_code error;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, error))) {
            *pTarget = current.string();
            return true;
        }
        const std::filesystem::path link = std::filesystem::read_symlink(current, error);
        if (error) return false;
        current = link.is_absolute() ? link : current.parent_path() / link;
    }
    return false;
}

bool CreateProfileFile(const std::string& path, const std::string& bytes) {
    CNativeFile file;
    if (!file.CreateNew(path)) return false;
    if (file.Reserve(bytes.size()) && file.WriteAll(bytes) && file.Sync() && file.Close()) return true;
    file.Close();
    RemoveNativeFile(path);
    return false;
}

bool ReplaceByRename(const std::string& path, const NativeFileInfo& info, const std::string& bytes) {
    CNativeFile file;
    std::string temporary;
    if (!file.CreateBeside(path, &temporary)) return false;
    // The new contents are written while the file is still its owner's alone.
    if (file.WriteAll(bytes) && file.TakeOwnerAndMode(info) && file.Sync() && file.Close() &&
        RenameNativeFile(temporary, path))
        return true;
    file.Close();
    RemoveNativeFile(temporary);
    return false;
}

bool RewriteInPlace(CNativeFile& file, const std::string& bytes) {
    std::string previous;
    if (!file.ReadAll(&previous)) return false;
    if (bytes.size() > previous.size() && !file.Reserve(bytes.size())) {
        file.Truncate(previous.size());
        return false;
    }
    if (file.WriteAll(bytes) && file.Truncate(bytes.size()) && file.Sync()) return true;
    file.WriteAll(previous);
    file.Truncate(previous.size());
    file.Sync();
    return false;
}

}  // namespace

bool ProfileFileStamp::IsSameFile(const ProfileFileStamp& other) const {
    return bExists && other.bExists && info.nVolume == other.info.nVolume && info.nIndex == other.info.nIndex;
}

bool ProfileFileStamp::operator==(const ProfileFileStamp& other) const {
    return bExists == other.bExists && (!bExists || info == other.info);
}

EProfileFile StampProfileFile(const std::string& path, ProfileFileStamp* pStamp) {
    CNativeFile file;
    return Examine(file, file.OpenForReading(path), pStamp);
}

EProfileFile ReadProfileFile(const std::string& path, std::string* pBytes, ProfileFileStamp* pStamp) {
    pBytes->clear();
    CNativeFile file;
    const EProfileFile result = Examine(file, file.OpenForReading(path), pStamp);
    if (result == EProfileFile::kPresent && !file.ReadAll(pBytes)) return EProfileFile::kUnusable;
    return result;
}

EProfileFile CheckProfileFileWritable(const std::string& path) {
    std::string target;
    if (!ResolveLinks(path, &target)) return EProfileFile::kUnusable;
    CNativeFile file;
    ProfileFileStamp stamp;
    return Examine(file, file.OpenForWriting(target), &stamp);
}

bool ReplaceProfileFile(const std::string& path, const std::string& bytes) {
    std::string target;
    if (!ResolveLinks(path, &target)) return false;
    CNativeFile file;
    ProfileFileStamp stamp;
    switch (Examine(file, file.OpenForWriting(target), &stamp)) {
        case EProfileFile::kMissing: return CreateProfileFile(target, bytes);
        case EProfileFile::kUnusable: return false;
        case EProfileFile::kPresent: break;
    }
    if (stamp.info.nLinks == 1 && ReplaceByRename(target, stamp.info, bytes)) return true;
    return RewriteInPlace(file, bytes);
}
