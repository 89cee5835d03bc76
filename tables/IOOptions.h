#pragma once
// The options a table source is opened with: 28 option words (numbered from
// 1), the connection time-out and two texts.
#include <cstdint>
#include <string>

class CIOOptions {
public:
    static constexpr int kWordCount = 28;

    CIOOptions();

    // Word n, 1 <= n <= 28; a bad number raises CInvalidArgException.
    int32_t GetWord(int n) const;
    void SetWord(int n, int32_t value);

    bool ErrorsShown() const { return m_Words[0] != 0; }            // word 1
    bool WarningsShown() const { return m_Words[1] != 0; }          // word 2
    bool LogOn() const { return m_Words[3] != 0; }                  // word 4
    bool MakeBackup() const { return m_Words[6] != 0; }             // word 7
    bool SkipUnsupportedColumns() const { return m_Words[7] != 0; }  // word 8
    bool StarHeadingEndsColumns() const { return m_Words[18] != 0; }  // word 19
    int32_t GetTimeout() const { return m_nTimeout; }
    const std::string& GetBackupExtension() const { return m_strBackupExtension; }
    void SetBackupExtension(const std::string& extension) { m_strBackupExtension = extension; }

    int32_t m_Words[kWordCount];
    int32_t m_nTimeout = 15;  // connection time-out in seconds
    std::string m_strBackupExtension;
    std::string m_strText2;
};
