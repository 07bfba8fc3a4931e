#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

#include "brenwick/platform/text_encoding.h"

// One INI file held in memory the way the Win32 private-profile service sees
// it: a run of sections, each a run of entries, with the keys that precede the
// first header in an unnamed leading section. Reads answer as the service does
// (names compared without regard to the case of ASCII letters, quotes
// stripped from values, results cut to the caller's buffer); writes change
// only the lines that they concern, so comments, blank lines and the spelling
// of every other line survive, and the file is rendered again with CR LF line
// ends, in the encoding it was read in. The names and values that the calls
// take and give are texts of the ANSI code page, as those of the "A" calls.
// Sections and keys are found by name in constant time, so that a run of
// calls costs time in proportion to the file and the calls.
class CIniProfile {
public:
    CIniProfile();
    // Parses the contents of a file. A line ends at CR LF, LF or CR; a NUL
    // ends the name or value in which it stands; a byte-order mark is kept
    // apart from the first line and written back.
    explicit CIniProfile(const std::string& bytes);
    // Sections and entries are found through their positions, which a copy
    // would not share; a profile is moved, never copied.
    CIniProfile(CIniProfile&&) = default;
    CIniProfile& operator=(CIniProfile&&) = default;
    CIniProfile(const CIniProfile&) = delete;
    CIniProfile& operator=(const CIniProfile&) = delete;

    std::string Render() const;
    ETextEncoding GetEncoding() const { return m_encoding; }

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
    using Text = std::u16string;
    struct Entry {
        Text name;  // trimmed; empty for a blank line
        bool bHasValue = false;
        Text value;        // trimmed, quotes kept
        std::string line;  // the line's bytes as they stand in the file, when not edited
        bool bEdited = false;
        bool IsBlank() const { return name.empty() && !bHasValue; }
        bool IsComment() const { return !name.empty() && name[0] == u';'; }
        // The entry as the service reads it: "key=value", or the bare key.
        Text ParsedLine() const { return bHasValue ? name + u"=" + value : name; }
    };
    using Entries = std::list<Entry>;
    // The positions of the items of one name (case folded), in file order.
    template <typename Position>
    using NameIndex = std::unordered_map<Text, std::vector<Position>>;
    struct Section {
        Text name;  // trimmed; empty for the leading section
        bool bHasHeader = false;
        std::string header;  // the header line's bytes
        Entries entries;
        NameIndex<Entries::iterator> keys;  // the entries that are not blank
    };
    using Sections = std::list<Section>;

    void ParseLine(const Text& line, const std::string& bytes);
    std::string HeaderBytes(const Text& name) const;
    void AddSection(Section section);
    static void IndexEntry(Section& section, Entries::iterator entry);
    const Section* FindSection(const Text& name) const;
    Section* FindSection(const Text& name);
    static Entries::iterator FindKey(Section& section, const Text& key);
    static Entries::const_iterator FindKey(const Section& section, const Text& key);

    ETextEncoding m_encoding = ETextEncoding::kAnsi;
    Sections m_sections;
    NameIndex<Sections::iterator> m_sectionIndex;
};

// Fills a profile list: each name with its terminator and an empty name at the
// end. When the list does not fit, the name that overflows is cut, the buffer
// ends with two terminators and the result is nSize - 2; otherwise the result
// counts the characters placed without the final terminator.
uint32_t FillProfileList(const std::vector<std::string>& names, char* pBuffer, uint32_t nSize);
