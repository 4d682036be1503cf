#include "Registry.h"

#include "LibraryError.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace win {

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string rootName(Registry::Root root)
{
    return root == Registry::Root::LocalMachine ? "hkey_local_machine" : "hkey_current_user";
}

// Reads a quoted REGEDIT4 string starting at text[at] == '"'; advances at past the closing quote.
bool readQuoted(const std::string& text, size_t& at, std::string& out)
{
    if (at >= text.size() || text[at] != '"')
        return false;
    out.clear();
    for (++at; at < text.size(); ++at) {
        if (text[at] == '\\' && at + 1 < text.size()) {
            out += text[++at];
        } else if (text[at] == '"') {
            ++at;
            return true;
        } else {
            out += text[at];
        }
    }
    return false;
}

} // namespace

Registry::Registry(Root root) : m_root(root) {}

std::string Registry::filePath()
{
    if (const char* file = std::getenv("STYLARA_REGISTRY"); file && *file)
        return file;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.stylara/system.reg";
}

void Registry::load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    std::ifstream in(filePath(), std::ios::binary);
    if (!in)
        return; // no registry file: every key is missing
    std::stringstream buffer;
    buffer << in.rdbuf();
    if (in.bad())
        throw LibraryError("Failed to get data for '" + filePath() + "'");

    std::istringstream lines(buffer.str());
    std::string line;
    std::getline(lines, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line != "REGEDIT4" && line != "Windows Registry Editor Version 5.00")
        throw LibraryError("Registry file " + filePath() + " is not a registry export");

    Key* current = nullptr;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            current = &m_keys[lower(line.substr(1, line.size() - 2))];
            continue;
        }
        if (!current)
            continue;
        size_t at = 0;
        std::string name;
        if (line[0] == '@') {
            at = 1;
        } else if (!readQuoted(line, at, name)) {
            continue;
        }
        if (at >= line.size() || line[at] != '=')
            continue;
        ++at;
        Value value;
        if (!readQuoted(line, at, value.text)) {
            value.isString = false;
            value.text = line.substr(at);
        }
        (*current)[lower(name)] = value;
    }
}

bool Registry::openKey(const std::string& key, bool /*canCreate*/)
{
    load();
    std::string path = rootName(m_root) + "\\" + lower(key);
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    if (m_keys.find(path) == m_keys.end()) {
        m_openKey.reset();
        return false;
    }
    m_openKey = path;
    return true;
}

std::string Registry::readString(const std::string& name)
{
    load();
    if (!m_openKey)
        return {};
    const Key& key = m_keys[*m_openKey];
    const auto found = key.find(lower(name));
    if (found == key.end())
        return {};
    if (!found->second.isString)
        throw LibraryError("Invalid data type for '" + name + "'");
    return found->second.text;
}

} // namespace win
