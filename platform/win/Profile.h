#pragma once

#include <string>

namespace win {

// The Windows private-profile functions: sections and keys case-insensitive, blanks around names and
// values ignored, a value between matching quotes taken without them. The result is cut to size - 1
// characters as the platform does. Returns the number of characters copied.
unsigned long GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                                       char* buffer, unsigned long size, const char* fileName);

// Writes key=value, creating the file, the section and the key as needed. The file is replaced as a
// whole, so a failed write leaves the old file as it was. Returns false on failure.
bool WritePrivateProfileStringA(const char* section, const char* key, const char* value, const char* fileName);

// The class library's ini-file object over the functions above.
class IniFile {
public:
    explicit IniFile(std::string fileName) : m_fileName(std::move(fileName)) {}

    std::string ReadString(const std::string& section, const std::string& ident, const std::string& defaultValue) const;
    // "0x" introduces hexadecimal; text that is not an integer gives the default.
    int ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const;
    // True for any integer other than 0.
    bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const;

    // Each raises LibraryError "Unable to write to %s" when the platform refuses the write.
    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& ident, int value);
    void WriteBool(const std::string& section, const std::string& ident, bool value);

    const std::string& FileName() const { return m_fileName; }

private:
    std::string m_fileName;
};

// The class library's text-to-integer rule: blanks before, a sign, decimal digits or "$"/"0x" with hex
// digits, and nothing after; a value outside 32 bits fails.
bool parseInteger(const std::string& text, int& value);

} // namespace win
