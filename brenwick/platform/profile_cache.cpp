#include "brenwick/platform/profile_cache.h"

#include <filesystem>

namespace {

std::string PathKey(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

}  // namespace

bool ProfileChange::ApplyTo(CIniProfile& profile) const {
    return profile.SetString(section.c_str(), bHasKey ? key.c_str() : nullptr,
                             bHasValue ? value.c_str() : nullptr);
}

CProfileCache::CachedProfile* CProfileCache::Find(const std::string& path) {
    ProfileFileStamp stamp;
    if (StampProfileFile(path, &stamp) == EProfileFile::kUnusable) return nullptr;
    const std::string key = PathKey(path);
    CachedProfile* pFound = nullptr;
    for (CachedProfile& cached : m_profiles) {
        if (cached.stamp.IsSameFile(stamp)) {
            pFound = &cached;
            break;
        }
        if (!pFound && cached.key == key) pFound = &cached;
    }
    if (!pFound) {
        m_profiles.emplace_back();
        pFound = &m_profiles.back();
        pFound->path = path;
        pFound->key = key;
        if (!Refresh(*pFound, stamp, false)) {
            m_profiles.pop_back();
            return nullptr;
        }
        return pFound;
    }
    if (pFound->stamp == stamp && pFound->IsVouchedFor()) return pFound;
    return Refresh(*pFound, stamp, true) ? pFound : nullptr;
}

// A change that keeps the stamp must come within one tick of the change that
// set it, and that change came before the stamp was first seen. So contents
// read a margin after that, under the same stamp, are the last that it can
// stand for, whatever the clock says of the times themselves: a file whose
// times lie in the future (clock skew, an unpacked archive, a network share)
// is read again only for that long.
bool CProfileCache::CachedProfile::IsVouchedFor() const {
    return stamp.info.bSettled || nLastRead - nFirstSeen >= stamp.info.nMargin;
}

bool CProfileCache::Refresh(CachedProfile& cached, const ProfileFileStamp& stamp, bool bParsed) {
    std::string bytes;
    ProfileFileStamp readStamp = stamp;
    if (stamp.bExists && ReadProfileFile(cached.path, &bytes, &readStamp) == EProfileFile::kUnusable)
        return false;
    if (!bParsed || bytes != cached.bytes) {
        cached.profile = CIniProfile(bytes);
        for (const ProfileChange& change : cached.changes) change.ApplyTo(cached.profile);
        cached.bytes = std::move(bytes);
    }
    if (readStamp != cached.stamp || !bParsed) {
        cached.bWritable = false;
        cached.nFirstSeen = readStamp.info.nLookedAt;
    }
    cached.nLastRead = readStamp.info.nLookedAt;
    cached.stamp = readStamp;
    return true;
}

const CIniProfile* CProfileCache::Read(const std::string& path) {
    CachedProfile* pCached = Find(path);
    return pCached ? &pCached->profile : nullptr;
}

bool CProfileCache::Change(const std::string& path, const ProfileChange& change) {
    CachedProfile* pCached = Find(path);
    if (!pCached) return false;
    if (pCached->stamp.bExists && !pCached->bWritable) {
        if (CheckProfileFileWritable(pCached->path) != EProfileFile::kPresent) return false;
        pCached->bWritable = true;
    }
    if (change.ApplyTo(pCached->profile)) pCached->changes.push_back(change);
    return true;
}

void CProfileCache::Forget(const std::string& path) {
    const std::string key = PathKey(path);
    m_profiles.remove_if(
        [&](const CachedProfile& cached) { return cached.path == path || cached.key == key; });
}

bool CProfileCache::WriteAll() {
    bool bAllWritten = true;
    for (CachedProfile& cached : m_profiles) {
        if (cached.changes.empty()) continue;
        // The changes go onto the file as it is now.
        CachedProfile* pCurrent = Find(cached.path);
        if (pCurrent != &cached || !ReplaceProfileFile(cached.path, cached.profile.Render())) bAllWritten = false;
    }
    Clear();
    return bAllWritten;
}
