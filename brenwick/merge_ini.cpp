#include "brenwick/merge_ini.h"

#include <cstring>

#include "brenwick/brenwick_exports.h"
#include "brenwick/platform/platform.h"

namespace {

// Visits the names of a profile list of nCount characters in order, up to the
// first empty name. The buffer's last byte is made a terminator, so that no
// name is read past the buffer whatever count the service reported.
template <typename Visit>
void ForEachListName(char (&list)[kProfileBufferSize], size_t nCount, Visit visit) {
    list[kProfileBufferSize - 1] = '\0';
    for (size_t nPos = 0; nPos <= nCount && nPos < kProfileBufferSize && list[nPos] != '\0';
         nPos += std::strlen(list + nPos) + 1)
        visit(list + nPos);
}

// A path that does not fit is refused: cutting it could name another file.
bool ReadPathVariable(const InstallerCallBlock* pBlock, const char* pszName, char (&szPath)[kMergePathSize]) {
    return GetInstallerVariable(pBlock, pszName, szPath, sizeof(szPath)) && szPath[0] != '\0';
}

}  // namespace

MergeMode ParseMergeMode(const char* pszMode) {
    return MergeMode{std::strchr(pszMode, 'R') != nullptr, std::strchr(pszMode, 'I') != nullptr};
}

bool MergeReadsDestination(const MergeMode& mode) { return !(mode.bReplace && mode.bInsert); }

bool MergeCopiesKey(const MergeMode& mode, bool bPresentInDestination) {
    return bPresentInDestination ? mode.bReplace : mode.bInsert;
}

void MergeIniKey(const MergeJob& job, const char* pszSection, const char* pszKey) {
    CPlatform& platform = GetPlatform();
    char szValue[kProfileBufferSize];
    if (MergeReadsDestination(job.mode)) {
        const bool bPresent =
            platform.ReadProfileString(pszSection, pszKey, szValue, sizeof(szValue), job.szDestination) > 0;
        if (!MergeCopiesKey(job.mode, bPresent)) return;
    }
    // An empty source value is never written, so it never clears a value.
    if (platform.ReadProfileString(pszSection, pszKey, szValue, sizeof(szValue), job.szSource) == 0) return;
    platform.WriteProfileValue(pszSection, pszKey, szValue, job.szDestination);
}

void MergeIniSection(const MergeJob& job, const char* pszSection) {
    char szKeys[kProfileBufferSize];
    const size_t nCount = GetPlatform().ListProfileKeys(pszSection, szKeys, sizeof(szKeys), job.szSource);
    if (nCount == 0) return;
    ForEachListName(szKeys, nCount, [&](const char* pszKey) { MergeIniKey(job, pszSection, pszKey); });
}

extern "C" int BRENWICK_CALL MergeINI(InstallerCallBlock* pBlock) {
    if (!pBlock) return 0;
    MergeJob job;
    char szMode[kProfileBufferSize];
    GetInstallerVariable(pBlock, "MI_MODE", szMode, sizeof(szMode));
    job.mode = ParseMergeMode(szMode);
    if (!job.mode.bReplace && !job.mode.bInsert) return 0;
    if (!ReadPathVariable(pBlock, "MI_SRC", job.szSource)) return 0;
    if (!ReadPathVariable(pBlock, "MI_DEST", job.szDestination)) return 0;

    // Each file is read once and written once for the whole merge.
    CProfileBatch batch(GetPlatform());
    char szSections[kProfileBufferSize];
    const size_t nCount = GetPlatform().ListProfileSections(szSections, sizeof(szSections), job.szSource);
    if (nCount == 0) return 0;
    ForEachListName(szSections, nCount, [&](const char* pszSection) { MergeIniSection(job, pszSection); });
    // Writes that fail, those that the batch held back among them, do not
    // change the result.
    batch.End();
    return 1;
}
