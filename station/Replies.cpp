#include "Replies.h"

#include "Globals.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const unixTooOld = "Incompatible protocol version!  (UNIX software requires updating)";

// A decimal number as the host writes it: leading blanks and a sign allowed, up to the first non-digit;
// no digits give 0.
int decimal(const std::string& text)
{
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

// Up to length characters of a line from a 0-based index; fewer where the line ends before.
std::string part(const char* line, size_t from, size_t length)
{
    const size_t size = std::strlen(line);
    return from < size ? std::string(line + from, std::min(length, size - from)) : std::string();
}

bool starts(const char* line, const char* prefix) { return std::strncmp(line, prefix, std::strlen(prefix)) == 0; }

} // namespace

HandshakeReplies::HandshakeReplies(_globals& record, bool extensionsAsked)
    : m_record(record), m_expected(Line::Greeting), m_extensionsAsked(extensionsAsked)
{
}

const char* HandshakeReplies::Text() const { return std::strlen(m_line) > 2 ? m_line + 2 : ""; }

HandshakeReplies::Outcome HandshakeReplies::refuse(const char* message, bool front)
{
    m_refusal = message;
    m_refusalFront = front;
    return Outcome::Refused;
}

// Items first to last of an extension line into their cells; item first stands at the 0-based index start.
HandshakeReplies::Outcome HandshakeReplies::extensions(int first, int last, int start, Line next)
{
    for (int item = first; item <= last; ++item) {
        const std::string text = part(m_line, static_cast<size_t>(start + 3 * (item - first)), 3);
        char* cell = m_record.ExtensionTable[item - 1];
        std::memset(cell, 0, 4);
        std::memcpy(cell, text.data(), text.size());
    }
    m_expected = next;
    return Outcome::More;
}

HandshakeReplies::Outcome HandshakeReplies::modeLine()
{
    if (!starts(m_line, "M:"))
        return refuse("Invalid response from server (1).");
    const std::string m = m_line;
    if (m.size() < 19)
        return refuse(unixTooOld);
    auto column = [&m](int col) { return static_cast<unsigned char>(m[static_cast<size_t>(col - 1)]); };
    auto flag = [&](int col) { return column(col) != '0'; };
    auto digit = [&](int col) { return column(col) - '0'; };
    _globals& g = m_record;
    // Columns 4 to 19 stay in the record even when the version is refused.
    g.ResultToHost = flag(4);
    g.Unattended = flag(5);
    g.SilentSave = flag(6);
    m_printAndClose = column(6) == '2' || column(6) == '3';
    m_printerLine = column(6) == '3' || column(6) == '4';
    g.ConfirmPrint = flag(7);
    g.PrintMode = digit(8);
    g.PrintCopies = digit(9);
    g.OpenAfterSave = flag(10);
    if (g.OpenAfterSave)
        g.SilentSave = true;
    g.TextMode = flag(11);
    g.OverwriteTarget = flag(12);
    g.ApprovalLineCount = digit(13);
    g.HostSideSigning = flag(14);
    g.PadMessageEnabled = flag(15);
    g.ImageFormatCode = digit(16);
    g.ImageHeight = decimal(m.substr(16, 3));
    const int version = decimal(m.substr(19));
    if (version > 9)
        return refuse("Incompatible protocol version!  (PC software requires updating)");
    if (version < 9)
        return refuse(unixTooOld);
    g.SignatureBoxX = 0;
    g.SignatureBoxY = 0;
    g.DocumentPrinter.clear();
    m_expected = m_printerLine ? Line::PrinterC : afterPrinter();
    return Outcome::More;
}

HandshakeReplies::Line HandshakeReplies::afterPrinter() const { return m_record.HostSideSigning ? Line::SRP : Line::P; }

HandshakeReplies::Line HandshakeReplies::afterText()
{
    m_record.PadMessageText.clear();
    return m_record.PadMessageEnabled ? Line::O : approvalsOrFinal();
}

HandshakeReplies::Line HandshakeReplies::approvalsOrFinal()
{
    for (std::string& line : m_record.ApprovalLines)
        line.clear();
    m_approvalsRead = 0;
    return m_record.ApprovalLineCount > 0 ? Line::L : Line::Final;
}

HandshakeReplies::Outcome HandshakeReplies::Take(const char* line)
{
    m_line = line;
    m_taken = m_expected;
    m_refusal = nullptr;
    _globals& g = m_record;
    // Each line but the greeting is known by its first characters only; a wrong one gets its own message.
    auto expect = [&](const char* prefix, const char* message, Line next) {
        if (!starts(line, prefix))
            return refuse(message);
        m_expected = next;
        return Outcome::More;
    };
    switch (m_expected) {
    case Line::Greeting:
        if (std::strcmp(line, "+TBUS") != 0)
            return refuse("Incorrect server response on port 6070!", false);
        m_expected = m_extensionsAsked ? Line::X1 : Line::M;
        return Outcome::More;
    case Line::X1: {
        if (!starts(line, "X1:"))
            return refuse("Invalid response from server.  Update UNIX software.");
        m_extensionCount = decimal(part(line, 3, 2));
        g.ExtensionCount = m_extensionCount;
        return extensions(1, std::min(m_extensionCount, 33), 5, m_extensionCount > 33 ? Line::X2 : Line::M);
    }
    case Line::X2:
        if (!starts(line, "X2:"))
            return refuse("Invalid response from server. (E2)");
        return extensions(34, std::min(m_extensionCount, 66), 3, m_extensionCount > 66 ? Line::X3 : Line::M);
    case Line::X3:
        if (!starts(line, "X3:"))
            return refuse("Invalid response from server. (E3)");
        return extensions(67, std::min(m_extensionCount, 99), 3, Line::M);
    case Line::M:
        return modeLine();
    case Line::PrinterC:
        return expect("C:", "Invalid response from server (3p).", afterPrinter());
    case Line::SRP:
        if (!starts(line, "%SRP") || std::strlen(line) < 20)
            return refuse("Invalid response from server (3s).");
        g.SignatureBoxX = decimal(part(line, 14, 3));
        g.SignatureBoxY = decimal(part(line, 17, 3));
        m_expected = Line::P;
        return Outcome::More;
    case Line::P:
        if (!starts(line, "P:"))
            return refuse("Invalid response from server (3).");
        (g.ImageFormatCode == 0 ? g.HostDocumentPath : g.ImageTargetPath) = Text();
        m_expected = Line::C;
        return Outcome::More;
    case Line::C:
        return expect("C:", "Invalid response from server (4).", Line::S);
    case Line::S:
        return expect("S:", "Invalid response from server (4s).", Line::T);
    case Line::T:
        if (!starts(line, "T:"))
            return refuse("Invalid response from server (4t).");
        g.TargetPath = Text();
        m_expected = Line::X;
        return Outcome::More;
    case Line::X:
        if (!starts(line, "X:"))
            return refuse("Invalid response from server (4x).");
        g.HostTextPath = Text();
        m_expected = afterText();
        return Outcome::More;
    case Line::O:
        if (!starts(line, "O:"))
            return refuse("Invalid response from server (3V).");
        g.PadMessageText = Text();
        m_expected = approvalsOrFinal();
        return Outcome::More;
    case Line::L:
        if (!starts(line, "L:"))
            return refuse("Invalid response from server (5P).");
        g.ApprovalLines[std::min(m_approvalsRead, 2)] = Text();
        ++m_approvalsRead;
        m_expected = m_approvalsRead < g.ApprovalLineCount ? Line::L : Line::Final;
        return Outcome::More;
    case Line::Final:
        // Its content is not examined.
        return Outcome::Done;
    }
    return Outcome::Done;
}
