#include "brenwick/platform/ini_profile.h"

#include <cstring>

namespace {

const char kUtf8Bom[] = "\xEF\xBB\xBF";

// The service counts the DOS end-of-file character as white space, so a file
// that an old editor closed with one reads like any other.
bool IsProfileSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == '\x1A';
}

std::string Trim(const std::string& text) {
    size_t nBegin = 0;
    size_t nEnd = text.size();
    while (nBegin < nEnd && IsProfileSpace(text[nBegin])) ++nBegin;
    while (nEnd > nBegin && IsProfileSpace(text[nEnd - 1])) --nEnd;
    return text.substr(nBegin, nEnd - nBegin);
}

std::string TrimLeft(const char* psz) {
    while (IsProfileSpace(*psz)) ++psz;
    return psz;
}

std::string TrimQuery(const char* pszName) { return Trim(pszName ? pszName : ""); }

char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

// One pair of matching quotes around a value is the value's own business, not
// part of it.
std::string StripQuotes(const std::string& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

uint32_t FillProfileList(const std::vector<std::string>& names, char* pBuffer, uint32_t nSize) {
    if (!pBuffer || nSize == 0) return 0;
    if (nSize == 1) {
        pBuffer[0] = '\0';
        return 0;
    }
    // Room for the names and their terminators, the final terminator aside.
    uint32_t nRoom = nSize - 1;
    char* p = pBuffer;
    for (const std::string& name : names) {
        if (name.size() + 1 >= nRoom) {
            std::memcpy(p, name.data(), nRoom - 1);
            p += nRoom - 1;
            *p++ = '\0';
            *p = '\0';
            return nSize - 2;
        }
        std::memcpy(p, name.c_str(), name.size() + 1);
        p += name.size() + 1;
        nRoom -= static_cast<uint32_t>(name.size() + 1);
    }
    *p = '\0';
    return static_cast<uint32_t>(p - pBuffer);
}

CIniProfile::CIniProfile(const std::string& text) {
    size_t nPos = 0;
    if (text.compare(0, 3, kUtf8Bom) == 0) {
        m_bUtf8Bom = true;
        nPos = 3;
    }
    // Lines end at LF; where no LF is left in the file, lines are taken to end
    // with CR alone, as old Macintosh editors wrote them.
    const size_t nLastLineFeed = text.rfind('\n');
    while (nPos < text.size()) {
        const bool bAtLineFeed = nLastLineFeed != std::string::npos && nPos <= nLastLineFeed;
        size_t nEnd = text.find(bAtLineFeed ? '\n' : '\r', nPos);
        if (nEnd == std::string::npos) nEnd = text.size();
        std::string line = text.substr(nPos, nEnd - nPos);
        if (bAtLineFeed && !line.empty() && line.back() == '\r') line.pop_back();
        ParseLine(line);
        nPos = nEnd + 1;
    }
}

void CIniProfile::ParseLine(const std::string& line) {
    const std::string trimmed = Trim(line);
    if (!trimmed.empty() && trimmed[0] == '[') {
        const size_t nClose = trimmed.rfind(']');
        if (nClose != std::string::npos) {
            Section section;
            section.name = Trim(trimmed.substr(1, nClose - 1));
            section.bHasHeader = true;
            section.header = line;
            m_sections.push_back(section);
            return;
        }
    }
    Entry entry;
    entry.line = line;
    const size_t nEquals = trimmed.find('=');
    entry.name = Trim(trimmed.substr(0, nEquals));
    if (nEquals != std::string::npos) {
        entry.bHasValue = true;
        entry.value = Trim(trimmed.substr(nEquals + 1));
    }
    m_sections.back().entries.push_back(entry);
}

std::string CIniProfile::Render() const {
    std::string text = m_bUtf8Bom ? kUtf8Bom : "";
    for (const Section& section : m_sections) {
        if (section.bHasHeader) text += section.header + "\r\n";
        for (const Entry& entry : section.entries) {
            text += entry.bEdited ? entry.name + "=" + entry.value : entry.line;
            text += "\r\n";
        }
    }
    return text;
}

const CIniProfile::Section* CIniProfile::FindSection(const char* pszSection, bool bTrimmed) const {
    const std::string name = bTrimmed ? TrimQuery(pszSection) : std::string(pszSection ? pszSection : "");
    for (const Section& section : m_sections)
        if (EqualsIgnoringCase(section.name, name)) return &section;
    return nullptr;
}

CIniProfile::Section* CIniProfile::FindSection(const char* pszSection, bool bTrimmed) {
    return const_cast<Section*>(static_cast<const CIniProfile*>(this)->FindSection(pszSection, bTrimmed));
}

const CIniProfile::Entry* CIniProfile::FindKey(const Section& section, const std::string& key) {
    for (const Entry& entry : section.entries)
        if (!entry.IsBlank() && EqualsIgnoringCase(entry.name, key)) return &entry;
    return nullptr;
}

uint32_t CIniProfile::GetString(const char* pszSection, const char* pszKey, char* pBuffer,
                                uint32_t nSize) const {
    if (!pBuffer || nSize == 0) return 0;
    const Section* pSection = FindSection(pszSection, true);
    const Entry* pEntry = pSection ? FindKey(*pSection, TrimQuery(pszKey)) : nullptr;
    const std::string value = pEntry && pEntry->bHasValue ? StripQuotes(pEntry->value) : std::string();
    const size_t nCopied = value.size() < nSize ? value.size() : nSize - 1;
    std::memcpy(pBuffer, value.data(), nCopied);
    pBuffer[nCopied] = '\0';
    return static_cast<uint32_t>(nCopied);
}

uint32_t CIniProfile::GetSectionNames(char* pBuffer, uint32_t nSize) const {
    std::vector<std::string> names;
    for (const Section& section : m_sections)
        if (!section.name.empty()) names.push_back(section.name);
    return FillProfileList(names, pBuffer, nSize);
}

uint32_t CIniProfile::GetKeyNames(const char* pszSection, char* pBuffer, uint32_t nSize) const {
    std::vector<std::string> names;
    // A key without a name ("=value") is left out: its empty name would read
    // as the end of the list and hide the keys after it.
    if (const Section* pSection = FindSection(pszSection, false))
        for (const Entry& entry : pSection->entries)
            if (entry.bHasValue && !entry.IsComment() && !entry.name.empty()) names.push_back(entry.name);
    return FillProfileList(names, pBuffer, nSize);
}

uint32_t CIniProfile::GetSection(const char* pszSection, char* pBuffer, uint32_t nSize) const {
    std::vector<std::string> lines;
    if (const Section* pSection = FindSection(pszSection, false))
        for (const Entry& entry : pSection->entries)
            if (!entry.IsBlank() && !entry.IsComment())
                lines.push_back(entry.bHasValue ? entry.name + "=" + entry.value : entry.name);
    const uint32_t nCount = FillProfileList(lines, pBuffer, nSize);
    // The service answers a missing or empty section with an empty list that
    // it closes with a second terminator, as it closes every other list.
    if (nCount == 0 && pBuffer && nSize >= 2) pBuffer[1] = '\0';
    return nCount;
}

bool CIniProfile::SetString(const char* pszSection, const char* pszKey, const char* pszValue) {
    if (!pszSection) return false;
    if (!pszKey) return DeleteSection(pszSection);
    if (!pszValue) return DeleteKey(pszSection, pszKey);

    Section* pSection = FindSection(pszSection, true);
    if (!pSection) {
        Section section;
        section.name = TrimQuery(pszSection);
        section.bHasHeader = true;
        section.header = "[" + section.name + "]";
        m_sections.push_back(section);
        pSection = &m_sections.back();
    }
    // The service drops the blanks before a value, as reading would.
    const std::string value = TrimLeft(pszValue);
    const std::string key = TrimQuery(pszKey);
    if (Entry* pEntry = const_cast<Entry*>(FindKey(*pSection, key))) {
        if (pEntry->bHasValue && pEntry->value == value) return false;
        pEntry->bHasValue = true;
        pEntry->value = value;
        pEntry->bEdited = true;
        return true;
    }
    // A new key joins the end of its section's entries, ahead of the blank
    // lines that separate the section from the next one.
    size_t nInsert = pSection->entries.size();
    while (nInsert > 0 && pSection->entries[nInsert - 1].IsBlank()) --nInsert;
    Entry entry;
    entry.name = key;
    entry.bHasValue = true;
    entry.value = value;
    entry.bEdited = true;
    pSection->entries.insert(pSection->entries.begin() + static_cast<std::ptrdiff_t>(nInsert), entry);
    return true;
}

bool CIniProfile::DeleteSection(const char* pszSection) {
    Section* pSection = FindSection(pszSection, false);
    if (!pSection) return false;
    if (pSection == &m_sections.front()) {
        // The leading section is where keys before the first header live; it
        // stays, emptied, so that the profile keeps its shape.
        const bool bChanged = !pSection->entries.empty();
        pSection->entries.clear();
        return bChanged;
    }
    m_sections.erase(m_sections.begin() + (pSection - m_sections.data()));
    return true;
}

bool CIniProfile::DeleteKey(const char* pszSection, const char* pszKey) {
    Section* pSection = FindSection(pszSection, false);
    if (!pSection) return false;
    const Entry* pEntry = FindKey(*pSection, pszKey ? pszKey : "");
    if (!pEntry) return false;
    pSection->entries.erase(pSection->entries.begin() + (pEntry - pSection->entries.data()));
    return true;
}
