#include "Profile.h"

#include "Files.h"
#include "LibraryError.h"
#include "WinPath.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace win {

namespace {

std::string trim(const std::string& text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return text.substr(begin, end - begin);
}

bool sameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::vector<std::string> readLines(const std::string& fileName)
{
    std::vector<std::string> lines;
    std::string contents;
    if (!readWholeFile(fileName, contents))
        return lines;
    size_t start = 0;
    while (start < contents.size()) {
        size_t end = contents.find('\n', start);
        if (end == std::string::npos)
            end = contents.size();
        std::string line = contents.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool isSection(const std::string& line, std::string& name)
{
    const std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[')
        return false;
    const auto close = t.find(']');
    name = trim(t.substr(1, (close == std::string::npos ? t.size() : close) - 1));
    return true;
}

bool isKey(const std::string& line, const std::string& key, std::string* value)
{
    const auto eq = line.find('=');
    if (eq == std::string::npos || !sameName(trim(line.substr(0, eq)), key))
        return false;
    if (value)
        *value = trim(line.substr(eq + 1));
    return true;
}

} // namespace

unsigned long GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* buffer,
                                       unsigned long size, const char* fileName)
{
    if (!buffer || size == 0)
        return 0;
    std::string result = trim(defaultValue ? defaultValue : "");
    bool inSection = false;
    for (const std::string& line : readLines(fileName ? fileName : "")) {
        std::string name;
        if (isSection(line, name)) {
            inSection = sameName(name, trim(section));
            continue;
        }
        std::string value;
        if (inSection && isKey(line, trim(key), &value)) {
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            result = value;
            break;
        }
    }
    const size_t copied = std::min<size_t>(result.size(), size - 1);
    std::memcpy(buffer, result.data(), copied);
    buffer[copied] = '\0';
    return static_cast<unsigned long>(copied);
}

bool WritePrivateProfileStringA(const char* section, const char* key, const char* value, const char* fileName)
{
    if (!section || !key || !value || !fileName || !*fileName)
        return false;
    std::vector<std::string> lines = readLines(fileName);
    const std::string newLine = trim(key) + "=" + value;

    // Find the section, then the key inside it or the last line of the section.
    long sectionAt = -1, keyAt = -1, lastOfSection = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name;
        if (isSection(lines[i], name)) {
            if (sectionAt >= 0)
                break;
            if (sameName(name, trim(section)))
                sectionAt = lastOfSection = static_cast<long>(i);
            continue;
        }
        if (sectionAt < 0)
            continue;
        if (!trim(lines[i]).empty())
            lastOfSection = static_cast<long>(i);
        if (isKey(lines[i], trim(key), nullptr)) {
            keyAt = static_cast<long>(i);
            break;
        }
    }
    if (keyAt >= 0) {
        // The key keeps the spelling it has in the file; only its value changes.
        lines[keyAt] = trim(lines[keyAt].substr(0, lines[keyAt].find('='))) + "=" + value;
    } else if (sectionAt >= 0) {
        lines.insert(lines.begin() + lastOfSection + 1, newLine);
    } else {
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(newLine);
    }

    std::string contents;
    for (const std::string& line : lines)
        contents += line + "\r\n";

    // Written beside the file and put in its place, so a refused write never leaves it half written;
    // the put refuses a read-only file, as Windows does.
    StagedFile staged(fileName);
    return staged.write(contents.data(), contents.size()) && staged.commit(true);
}

bool parseInteger(const std::string& text, int& value)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return false;
    long long result = 0;
    for (; i < text.size(); ++i) {
        const int c = std::tolower(static_cast<unsigned char>(text[i]));
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return false;
        result = result * base + digit;
        if (result > 0xFFFFFFFFLL)
            return false;
    }
    if (negative)
        result = -result;
    // Hexadecimal values take all 32 bits, as the class library reads $FFFFFFFF as -1.
    if (base == 16 && !negative && result > 0x7FFFFFFFLL)
        result -= 0x100000000LL;
    if (result < INT32_MIN || result > INT32_MAX)
        return false;
    value = static_cast<int>(result);
    return true;
}

std::string IniFile::ReadString(const std::string& section, const std::string& ident,
                                const std::string& defaultValue) const
{
    char buffer[2048];
    GetPrivateProfileStringA(section.c_str(), ident.c_str(), defaultValue.c_str(), buffer, sizeof buffer,
                             m_fileName.c_str());
    return buffer;
}

int IniFile::ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const
{
    const std::string text = ReadString(section, ident, "");
    int value;
    return parseInteger(text, value) ? value : defaultValue;
}

bool IniFile::ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const
{
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void IniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value)
{
    if (!WritePrivateProfileStringA(section.c_str(), ident.c_str(), value.c_str(), m_fileName.c_str()))
        throw LibraryError(formatMessage("Unable to write to %s", m_fileName));
}

void IniFile::WriteInteger(const std::string& section, const std::string& ident, int value)
{
    WriteString(section, ident, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& ident, bool value)
{
    WriteString(section, ident, value ? "1" : "0");
}

} // namespace win
