#include "Script.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace host {

namespace {

std::string unescape(const std::string& text, int lineNumber)
{
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i == text.size())
            throw std::runtime_error("line " + std::to_string(lineNumber) + ": a lone \\ at the end");
        switch (text[i]) {
        case 'r':
            bytes += '\r';
            break;
        case 'n':
            bytes += '\n';
            break;
        case 't':
            bytes += '\t';
            break;
        case '\\':
            bytes += '\\';
            break;
        case 'x': {
            const std::string hex = text.substr(i + 1, 2);
            if (hex.size() != 2 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                throw std::runtime_error("line " + std::to_string(lineNumber) + ": \\x needs two hex digits");
            bytes += static_cast<char>(std::stoi(hex, nullptr, 16));
            i += 2;
            break;
        }
        default:
            throw std::runtime_error("line " + std::to_string(lineNumber) + ": unknown escape \\" + text[i]);
        }
    }
    return bytes;
}

} // namespace

Script parseScript(const std::string& text)
{
    Script script;
    Reply* current = nullptr;
    std::istringstream in(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']' && line.size() > 2) {
            const std::string name = line.substr(1, line.size() - 2);
            if (name == "greeting") {
                script.greeting = Reply{};
                current = &*script.greeting;
            } else {
                script.replies.emplace_back(name, Reply{});
                current = &script.replies.back().second;
            }
            continue;
        }
        if (!current)
            throw std::runtime_error("line " + std::to_string(lineNumber) + ": a reply line before any [section]");
        if (current->end != End::Stay)
            throw std::runtime_error("line " + std::to_string(lineNumber) + ": a line after {close} or {reset}");
        if (line == "{close}")
            current->end = End::Close;
        else if (line == "{reset}")
            current->end = End::Reset;
        else if (line == "{empty}")
            current->bytes += "\n";
        else if (line.rfind("{raw}", 0) == 0)
            current->bytes += unescape(line.substr(5), lineNumber);
        else
            current->bytes += line + "\n";
    }
    return script;
}

Script readScript(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read the script " + path);
    std::stringstream text;
    text << in.rdbuf();
    return parseScript(text.str());
}

} // namespace host
