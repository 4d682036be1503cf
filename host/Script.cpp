#include "Script.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace host {

namespace {

[[noreturn]] void refuse(const std::string& where, const std::string& what) { throw std::runtime_error(where + what); }

// Appends the escaped text to the reply; where names the place for an error ("line 3: ").
void unescapeInto(Reply& reply, const std::string& text, const std::string& where)
{
    std::string& bytes = reply.bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i == text.size())
            refuse(where, "a lone \\ at the end");
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
        case '|':
            reply.pauses.push_back({bytes.size(), splitMilliseconds});
            break;
        case 'x': {
            const std::string hex = text.substr(i + 1, 2);
            if (hex.size() != 2 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                refuse(where, "\\x needs two hex digits");
            bytes += static_cast<char>(std::stoi(hex, nullptr, 16));
            i += 2;
            break;
        }
        default:
            refuse(where, std::string("unknown escape \\") + text[i]);
        }
    }
}

// The number of a directive such as "{send 3000}", or nothing when the line is not that directive.
std::optional<unsigned long long> numberOf(const std::string& line, const std::string& name, const std::string& where)
{
    const std::string start = "{" + name + " ";
    if (line.rfind(start, 0) != 0 || line.back() != '}')
        return std::nullopt;
    const std::string digits = line.substr(start.size(), line.size() - start.size() - 1);
    if (digits.empty() || digits.size() > 12 || digits.find_first_not_of("0123456789") != std::string::npos)
        refuse(where, "{" + name + "} needs a number");
    return std::stoull(digits);
}

// A line of a [TBGF] or [TBSF] section.
void fileDirective(FileFault& fault, bool fetch, const std::string& line, const std::string& where)
{
    if (const auto count = numberOf(line, fetch ? "send" : "receive", where))
        fault.afterBytes = *count;
    else if (line == "{close}")
        fault.end = End::Close;
    else if (line == "{reset}")
        fault.end = End::Reset;
    else if (line == "{hold}" && fetch)
        fault.end = End::Stay;
    else
        refuse(where, fetch ? "[TBGF] takes {send N}, {close}, {reset} or {hold}"
                            : "[TBSF] takes {receive N}, {close} or {reset}");
}

} // namespace

Script parseScript(const std::string& text)
{
    Script script;
    Reply* current = nullptr;
    FileFault* fault = nullptr;
    bool fetch = false;
    std::istringstream in(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']' && line.size() > 2) {
            const std::string name = line.substr(1, line.size() - 2);
            current = nullptr;
            fault = nullptr;
            if (name == "greeting") {
                script.greeting = Reply{};
                current = &*script.greeting;
            } else if (name == "TBGF" || name == "TBSF") {
                // These go to the file service, which no line command reaches.
                fetch = name == "TBGF";
                std::optional<FileFault>& slot = fetch ? script.fetchFault : script.storeFault;
                // A store is cut off at once unless the script says after how many bytes.
                slot = FileFault{fetch ? UINT64_MAX : 0, End::Close};
                fault = &*slot;
            } else {
                script.replies.emplace_back(name, Reply{});
                current = &script.replies.back().second;
            }
            continue;
        }
        if (fault) {
            fileDirective(*fault, fetch, line, where);
            continue;
        }
        if (!current)
            refuse(where, "a reply line before any [section]");
        if (current->end != End::Stay)
            refuse(where, "a line after {close} or {reset}");
        if (line == "{close}")
            current->end = End::Close;
        else if (line == "{reset}")
            current->end = End::Reset;
        else if (line == "{empty}")
            current->bytes += "\n";
        else if (line == "{split}")
            current->pauses.push_back({current->bytes.size(), splitMilliseconds});
        else if (const auto milliseconds = numberOf(line, "delay", where)) {
            if (*milliseconds > 86400000)
                refuse(where, "{delay} is at most a day");
            current->pauses.push_back({current->bytes.size(), static_cast<int>(*milliseconds)});
        } else if (line.rfind("{raw}", 0) == 0)
            unescapeInto(*current, line.substr(5), where);
        else
            current->bytes += line + "\n";
    }
    return script;
}

Script readScript(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read the script " + path + ": " + std::strerror(errno));
    std::stringstream text;
    text << in.rdbuf();
    return parseScript(text.str());
}

Reply unescaped(const std::string& text)
{
    Reply reply;
    unescapeInto(reply, text, "");
    return reply;
}

} // namespace host
