#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One INI file held in memory the way the Win32 private-profile service sees
// it: a run of sections, each a run of entries, with the keys that precede the
// first header in an unnamed leading section. Reads answer as the service does
// (names compared without regard to case, quotes stripped from values, results
// cut to the caller's buffer); writes change only the lines
// that they concern, so comments, blank lines and the spelling of every other
// line survive, and the file is rendered again with CR LF line ends.
class CIniProfile {
public:
    CIniProfile() = default;
    // Parses the contents of a file. Lines end at LF, or at CR in a file
    // without any LF; a UTF-8 byte-order mark is kept apart from the first line
    // and written back.
    explicit CIniProfile(const std::string& text);

    std::string Render() const;

    // The value of a key, quotes stripped, cut to nSize - 1 characters; the
    // empty string when the section or key is missing or the line has no "=".
    // Returns the number of characters placed. Reading and writing a value
    // trim the names that they are given; listing a section's keys or lines
    // and deleting take the names as given, as the service does.
    uint32_t GetString(const char* pszSection, const char* pszKey, char* pBuffer, uint32_t nSize) const;
    // The names of all sections in file order, as a list.
    uint32_t GetSectionNames(char* pBuffer, uint32_t nSize) const;
    // The names of the keys of a section that have a value, as a list.
    uint32_t GetKeyNames(const char* pszSection, char* pBuffer, uint32_t nSize) const;
    // The entries of a section as "key=value" (or the bare line of a key
    // without "="), comments left out, as a list; an empty list is closed
    // with two terminators.
    uint32_t GetSection(const char* pszSection, char* pBuffer, uint32_t nSize) const;

    // Each returns true when the profile changed. A null key deletes the
    // section and a null value the key, as the service does.
    bool SetString(const char* pszSection, const char* pszKey, const char* pszValue);
    bool DeleteSection(const char* pszSection);
    bool DeleteKey(const char* pszSection, const char* pszKey);

private:
    struct Entry {
        std::string name;  // trimmed; empty for a blank line
        bool bHasValue = false;
        std::string value;  // trimmed, quotes kept
        std::string line;   // the line as it stands in the file, when not edited
        bool bEdited = false;
        bool IsBlank() const { return name.empty() && !bHasValue; }
        bool IsComment() const { return !name.empty() && name[0] == ';'; }
    };
    struct Section {
        std::string name;  // trimmed; empty for the leading section
        bool bHasHeader = false;
        std::string header;  // the header line as it stands in the file
        std::vector<Entry> entries;
    };

    void ParseLine(const std::string& line);
    const Section* FindSection(const char* pszSection, bool bTrimmed) const;
    Section* FindSection(const char* pszSection, bool bTrimmed);
    static const Entry* FindKey(const Section& section, const std::string& key);

    bool m_bUtf8Bom = false;
    std::vector<Section> m_sections{Section()};
};

// Fills a profile list: each name with its terminator and an empty name at the
// end. When the list does not fit, the name that overflows is cut, the buffer
// ends with two terminators and the result is nSize - 2; otherwise the result
// counts the characters placed without the final terminator.
uint32_t FillProfileList(const std::vector<std::string>& names, char* pBuffer, uint32_t nSize);
