#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "brenwick/installer_call_block.h"

// A call block filled the way the installer's script engine fills one: a
// table of fixed-width entries, each name between percent signs. Each table
// has one spare byte past its end that must stay untouched, so that a write
// beyond the last entry shows.
class CTestCallBlock {
public:
    static constexpr char kGuard = '\x5A';

    explicit CTestCallBlock(uint32_t nCapacity = 16, uint32_t nNameWidth = 32, uint32_t nValueWidth = 256)
        : m_names(static_cast<size_t>(nCapacity) * nNameWidth + 1, '\0'),
          m_values(static_cast<size_t>(nCapacity) * nValueWidth + 1, '\0') {
        m_names.back() = kGuard;
        m_values.back() = kGuard;
        m_block.maxVariables = nCapacity;
        m_block.nameWidth = nNameWidth;
        m_block.valueWidth = nValueWidth;
        m_block.variableNames = m_names.data();
        m_block.variableValues = m_values.data();
        m_block.parameter = "";
    }

    InstallerCallBlock* Block() { return &m_block; }
    InstallerCallBlock& operator*() { return m_block; }

    CTestCallBlock& Parameter(const char* pszParameter) {
        m_block.parameter = pszParameter;
        return *this;
    }

    // Appends an entry as the script engine would, the name written exactly
    // as given (with its percent signs).
    CTestCallBlock& Entry(const std::string& nameEntry, const std::string& value) {
        const size_t nIndex = m_block.variableCount++;
        std::strncpy(m_names.data() + nIndex * m_block.nameWidth, nameEntry.c_str(), m_block.nameWidth);
        std::strncpy(m_values.data() + nIndex * m_block.valueWidth, value.c_str(), m_block.valueWidth);
        return *this;
    }
    CTestCallBlock& Variable(const std::string& name, const std::string& value) {
        return Entry("%" + name + "%", value);
    }

    uint32_t Count() const { return m_block.variableCount; }
    std::string NameEntry(size_t nIndex) const {
        return Text(m_names, nIndex * m_block.nameWidth, m_block.nameWidth);
    }
    std::string ValueEntry(size_t nIndex) const {
        return Text(m_values, nIndex * m_block.valueWidth, m_block.valueWidth);
    }
    // The value of the variable as the host would look it up; "<absent>" when
    // the table does not hold it.
    std::string Value(const std::string& name) const {
        for (size_t i = 0; i < m_block.variableCount; ++i)
            if (NameEntry(i) == "%" + name + "%") return ValueEntry(i);
        return "<absent>";
    }
    bool GuardsIntact() const { return m_names.back() == kGuard && m_values.back() == kGuard; }

private:
    static std::string Text(const std::vector<char>& table, size_t nOffset, size_t nWidth) {
        const char* p = table.data() + nOffset;
        const void* pEnd = std::memchr(p, '\0', nWidth);
        return std::string(p, pEnd ? static_cast<const char*>(pEnd) - p : nWidth);
    }

    InstallerCallBlock m_block{};
    std::vector<char> m_names;
    std::vector<char> m_values;
};
