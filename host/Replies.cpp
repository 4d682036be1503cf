#include "Replies.h"

#include <algorithm>
#include <cstdio>

namespace host {

Reply lines(const std::vector<std::string>& lines, End end)
{
    Reply reply;
    for (const std::string& line : lines)
        reply.bytes += line + "\n";
    reply.end = end;
    return reply;
}

std::vector<std::string> extensionLines(const std::vector<std::string>& extensions)
{
    const int count = static_cast<int>(extensions.size());
    char countText[16];
    std::snprintf(countText, sizeof countText, "%02d", count);
    auto items = [&](int from, int to) {
        std::string text;
        for (int i = from; i < std::min(to, count); ++i) {
            std::string item = extensions[static_cast<size_t>(i)].substr(0, 3);
            item.resize(3, ' ');
            text += item;
        }
        return text;
    };
    std::vector<std::string> result = {"X1:" + std::string(countText) + items(0, 33)};
    if (count > 33)
        result.push_back("X2:" + items(33, 66));
    if (count > 66)
        result.push_back("X3:" + items(66, 99));
    return result;
}

std::string MLine::text() const
{
    auto flag = [](bool on) { return on ? '1' : '0'; };
    auto digit = [](int value) { return static_cast<char>('0' + value); };
    std::string line = "M:";
    line += column3;
    line += flag(resultToHost);
    line += flag(unattended);
    line += mode;
    line += flag(confirmPrint);
    line += digit(printMode);
    line += digit(printCopies);
    line += flag(openAfterSave);
    line += flag(textMode);
    line += flag(overwriteTarget);
    line += digit(approvalLines);
    line += flag(hostSideSigning);
    line += flag(padMessage);
    line += digit(imageFormat);
    char height[16];
    std::snprintf(height, sizeof height, "%03d", imageHeight);
    line += height;
    return line + version;
}

std::string controlLine(long long baseLength, int boxX, int boxY)
{
    char text[64];
    std::snprintf(text, sizeof text, "%%SRP%010lld%03d%03d", baseLength, boxX, boxY);
    return text;
}

std::vector<std::string> Handshake::linesFor(const std::string& command) const
{
    std::vector<std::string> result;
    if (command.rfind("TBRR 1", 0) == 0)
        result = extensionLines(extensions);
    result.push_back(m.text());
    if (m.mode == '3' || m.mode == '4')
        result.push_back("C:" + printerDescription);
    if (m.hostSideSigning)
        result.push_back(control);
    result.push_back("P:" + documentPath);
    result.push_back("C:" + copiesText);
    result.push_back("S:" + sText);
    result.push_back("T:" + targetPath);
    result.push_back("X:" + textPath);
    if (m.padMessage)
        result.push_back("O:" + padMessage);
    for (const std::string& line : approvalLines)
        result.push_back("L:" + line);
    result.push_back(finalLine);
    return result;
}

Responder Handshake::responder() const
{
    return [copy = *this](const std::string& command) { return copy.replyTo(command); };
}

} // namespace host
