#include "brenwick/platform/ini_profile.h"

#include <cstring>
#include <iterator>

#include "brenwick/platform/code_page_1252.h"

namespace {

using Text = std::u16string;

// The service counts the DOS end-of-file character as white space, so a file
// that an old editor closed with one reads like any other.
bool IsProfileSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == 0x1A;
}

Text Trim(const Text& text) {
    size_t nBegin = 0;
    size_t nEnd = text.size();
    while (nBegin < nEnd && IsProfileSpace(text[nBegin])) ++nBegin;
    while (nEnd > nBegin && IsProfileSpace(text[nEnd - 1])) --nEnd;
    return text.substr(nBegin, nEnd - nBegin);
}

Text TrimLeft(const Text& text) {
    size_t nBegin = 0;
    while (nBegin < text.size() && IsProfileSpace(text[nBegin])) ++nBegin;
    return text.substr(nBegin);
}

Text Unicode(const char* psz) { return AnsiToUnicode(std::string(psz ? psz : "")); }

Text TrimQuery(const char* pszName) {
    return Trim(Unicode(pszName));
}

// The service keeps names and values as terminated strings: a NUL in the file
// ends the name or value in which it stands.
Text CutAtNul(Text text) {
    const size_t nNul = text.find(u'\0');
    if (nNul != Text::npos) text.resize(nNul);
    return text;
}

// The service folds the case of ASCII letters only: an accented capital and
// its small letter are two names.
Text FoldCase(const Text& text) {
    Text folded = text;
    for (char16_t& c : folded)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return folded;
}

// One pair of matching quotes around a value is the value's own business, not
// part of it.
Text StripQuotes(const Text& value) {
    if (value.size() >= 2 && (value[0] == u'"' || value[0] == u'\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

// Takes the first position of a name out of an index.
template <typename Index, typename Position>
void Unindex(Index& index, const Text& name, Position position) {
    const auto found = index.find(FoldCase(name));
    if (found == index.end()) return;
    std::vector<Position>& positions = found->second;
    if (!positions.empty() && positions.front() == position) positions.erase(positions.begin());
    if (positions.empty()) index.erase(found);
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

CIniProfile::CIniProfile() { AddSection(Section()); }

CIniProfile::CIniProfile(const std::string& bytes) : CIniProfile() {
    size_t nMark = 0;
    m_encoding = DetectTextEncoding(bytes, &nMark);
    std::vector<size_t> offsets;
    const Text text = DecodeText(m_encoding, bytes, nMark, &offsets);
    // A line ends at CR LF, at LF or at CR alone, whichever comes first: a
    // file edited on two systems mixes them, and old Macintosh editors wrote
    // CR alone.
    static const char16_t kLineEnds[] = u"\r\n";
    size_t nPos = 0;
    while (nPos < text.size()) {
        size_t nEnd = text.find_first_of(kLineEnds, nPos);
        if (nEnd == Text::npos) nEnd = text.size();
        const Text line = text.substr(nPos, nEnd - nPos);
        std::string lineBytes = bytes.substr(offsets[nPos], offsets[nEnd] - offsets[nPos]);
        // The odd last byte of a UTF-16 file is read as a unit, and written
        // back as one.
        if (lineBytes.size() % 2 != 0 && m_encoding != ETextEncoding::kAnsi &&
            m_encoding != ETextEncoding::kUtf8)
            lineBytes = EncodeText(m_encoding, line);
        // A UTF-8 file that ends inside a character would take the line end
        // written after it into that character, and read back otherwise: the
        // last line is written as it reads.
        if (m_encoding == ETextEncoding::kUtf8 && nEnd == text.size() &&
            DecodeText(m_encoding, lineBytes + "\r\n", 0) != line + u"\r\n")
            lineBytes = EncodeText(m_encoding, line);
        ParseLine(line, lineBytes);
        nPos = nEnd + (text.compare(nEnd, 2, kLineEnds) == 0 ? 2 : 1);
    }
}

void CIniProfile::AddSection(Section section) {
    m_sections.push_back(std::move(section));
    const Sections::iterator added = std::prev(m_sections.end());
    m_sectionIndex[FoldCase(added->name)].push_back(added);
}

void CIniProfile::IndexEntry(Section& section, Entries::iterator entry) {
    if (!entry->IsBlank()) section.keys[FoldCase(entry->name)].push_back(entry);
}

void CIniProfile::ParseLine(const Text& line, const std::string& bytes) {
    const Text trimmed = Trim(line);
    // A line that holds a NUL is written back as the service reads it, as if
    // it had been edited: the NUL ends a name or value, and has no place in
    // a text file.
    const bool bHasNul = line.find(u'\0') != Text::npos;
    if (!trimmed.empty() && trimmed[0] == u'[') {
        const size_t nClose = trimmed.rfind(u']');
        if (nClose != Text::npos) {
            Section section;
            section.name = CutAtNul(Trim(trimmed.substr(1, nClose - 1)));
            section.bHasHeader = true;
            section.header = bHasNul ? HeaderBytes(section.name) : bytes;
            AddSection(std::move(section));
            return;
        }
    }
    Entry entry;
    entry.line = bytes;
    entry.bEdited = bHasNul;
    const size_t nEquals = trimmed.find(u'=');
    entry.name = CutAtNul(Trim(trimmed.substr(0, nEquals)));
    if (nEquals != Text::npos) {
        entry.bHasValue = true;
        entry.value = CutAtNul(Trim(trimmed.substr(nEquals + 1)));
    }
    Section& section = m_sections.back();
    section.entries.push_back(std::move(entry));
    IndexEntry(section, std::prev(section.entries.end()));
}

std::string CIniProfile::HeaderBytes(const Text& name) const {
    return EncodeText(m_encoding, u"[" + name + u"]");
}

std::string CIniProfile::Render() const {
    const std::string lineEnd = EncodeText(m_encoding, u"\r\n");
    std::string bytes = ByteOrderMark(m_encoding);
    for (const Section& section : m_sections) {
        if (section.bHasHeader) bytes += section.header + lineEnd;
        for (const Entry& entry : section.entries)
            bytes += (entry.bEdited ? EncodeText(m_encoding, entry.ParsedLine()) : entry.line) + lineEnd;
    }
    return bytes;
}

const CIniProfile::Section* CIniProfile::FindSection(const Text& name) const {
    const auto found = m_sectionIndex.find(FoldCase(name));
    return found == m_sectionIndex.end() ? nullptr : &*found->second.front();
}

CIniProfile::Section* CIniProfile::FindSection(const Text& name) {
    return const_cast<Section*>(static_cast<const CIniProfile*>(this)->FindSection(name));
}

CIniProfile::Entries::iterator CIniProfile::FindKey(Section& section, const Text& key) {
    const auto found = section.keys.find(FoldCase(key));
    return found == section.keys.end() ? section.entries.end() : found->second.front();
}

CIniProfile::Entries::const_iterator CIniProfile::FindKey(const Section& section, const Text& key) {
    return FindKey(const_cast<Section&>(section), key);
}

uint32_t CIniProfile::GetString(const char* pszSection, const char* pszKey, char* pBuffer,
                                uint32_t nSize) const {
    if (!pBuffer || nSize == 0) return 0;
    Text value;
    if (const Section* pSection = FindSection(TrimQuery(pszSection))) {
        const Entries::const_iterator entry = FindKey(*pSection, TrimQuery(pszKey));
        if (entry != pSection->entries.end() && entry->bHasValue) value = StripQuotes(entry->value);
    }
    const std::string ansi = UnicodeToAnsi(value.substr(0, nSize - 1));
    std::memcpy(pBuffer, ansi.data(), ansi.size());
    pBuffer[ansi.size()] = '\0';
    return static_cast<uint32_t>(ansi.size());
}

uint32_t CIniProfile::GetSectionNames(char* pBuffer, uint32_t nSize) const {
    std::vector<std::string> names;
    for (const Section& section : m_sections)
        if (!section.name.empty()) names.push_back(UnicodeToAnsi(section.name));
    return FillProfileList(names, pBuffer, nSize);
}

uint32_t CIniProfile::GetKeyNames(const char* pszSection, char* pBuffer, uint32_t nSize) const {
    std::vector<std::string> names;
    // A key without a name ("=value") is left out: its empty name would read
    // as the end of the list and hide the keys after it.
    if (const Section* pSection = FindSection(Unicode(pszSection)))
        for (const Entry& entry : pSection->entries)
            if (entry.bHasValue && !entry.IsComment() && !entry.name.empty())
                names.push_back(UnicodeToAnsi(entry.name));
    return FillProfileList(names, pBuffer, nSize);
}

uint32_t CIniProfile::GetSection(const char* pszSection, char* pBuffer, uint32_t nSize) const {
    std::vector<std::string> lines;
    if (const Section* pSection = FindSection(Unicode(pszSection)))
        for (const Entry& entry : pSection->entries)
            if (!entry.IsBlank() && !entry.IsComment()) lines.push_back(UnicodeToAnsi(entry.ParsedLine()));
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

    const Text sectionName = TrimQuery(pszSection);
    Section* pSection = FindSection(sectionName);
    if (!pSection) {
        Section section;
        section.name = sectionName;
        section.bHasHeader = true;
        section.header = HeaderBytes(section.name);
        AddSection(std::move(section));
        pSection = &m_sections.back();
    }
    // The service drops the blanks before a value, as reading would.
    const Text value = TrimLeft(Unicode(pszValue));
    const Text key = TrimQuery(pszKey);
    const Entries::iterator found = FindKey(*pSection, key);
    if (found != pSection->entries.end()) {
        if (found->bHasValue && found->value == value) return false;
        found->bHasValue = true;
        found->value = value;
        found->bEdited = true;
        return true;
    }
    // A new key joins the end of its section's entries, ahead of the blank
    // lines that separate the section from the next one.
    Entries::iterator insert = pSection->entries.end();
    while (insert != pSection->entries.begin() && std::prev(insert)->IsBlank()) --insert;
    Entry entry;
    entry.name = key;
    entry.bHasValue = true;
    entry.value = value;
    entry.bEdited = true;
    IndexEntry(*pSection, pSection->entries.insert(insert, std::move(entry)));
    return true;
}

bool CIniProfile::DeleteSection(const char* pszSection) {
    const Text name = Unicode(pszSection);
    Section* pSection = FindSection(name);
    if (!pSection) return false;
    if (pSection == &m_sections.front()) {
        // The leading section is where keys before the first header live; it
        // stays, emptied, so that the profile keeps its shape.
        const bool bChanged = !pSection->entries.empty();
        pSection->entries.clear();
        pSection->keys.clear();
        return bChanged;
    }
    const Sections::iterator section = m_sectionIndex.find(FoldCase(name))->second.front();
    Unindex(m_sectionIndex, name, section);
    m_sections.erase(section);
    return true;
}

bool CIniProfile::DeleteKey(const char* pszSection, const char* pszKey) {
    Section* pSection = FindSection(Unicode(pszSection));
    if (!pSection) return false;
    const Text key = Unicode(pszKey);
    const Entries::iterator entry = FindKey(*pSection, key);
    if (entry == pSection->entries.end()) return false;
    Unindex(pSection->keys, key, entry);
    pSection->entries.erase(entry);
    return true;
}
