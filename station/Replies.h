#pragma once

struct _globals;

// The host's side of the signing handshake on the line connection, from the greeting to the final line,
// taken one line at a time into the record the way the handshake stores it. The handshake reads the next
// line while Take answers More, and takes its own steps between lines: the "TBRR" line after the greeting,
// the printer lookup after the printer description, the target's folders after the "T:" line.
class HandshakeReplies {
public:
    // The line Take was given last, named by its prefix.
    enum class Line { Greeting, X1, X2, X3, M, PrinterC, SRP, P, C, S, T, X, O, L, Final };
    enum class Outcome { More, Done, Refused };

    // extensionsAsked: "TBRR 1" goes out after the greeting, so the extension lines come first.
    HandshakeReplies(_globals& record, bool extensionsAsked);

    // One reply line without its "\n", NUL-terminated.
    Outcome Take(const char* line);

    Line Taken() const { return m_taken; }
    // The message of a refused line, and whether the signing window comes to the front before it.
    const char* Refusal() const { return m_refusal; }
    bool RefusalFront() const { return m_refusalFront; }
    // "M:" col 6 "2" or "3": the window closes again once the document is shown and printed.
    bool PrintAndClose() const { return m_printAndClose; }
    // The text of the line last taken: what follows its two-character prefix.
    const char* Text() const;

private:
    Outcome refuse(const char* message, bool front = true);
    Outcome extensions(int first, int last, int start, Line next);
    Outcome modeLine();
    Line afterPrinter() const;
    Line afterText();
    Line approvalsOrFinal();

    _globals& m_record;
    const char* m_line = "";
    Line m_expected;
    Line m_taken = Line::Greeting;
    const char* m_refusal = nullptr;
    bool m_refusalFront = true;
    bool m_extensionsAsked;
    int m_extensionCount = 0;
    int m_approvalsRead = 0;
    bool m_printAndClose = false; // "M:" col 6 "2" or "3"
    bool m_printerLine = false;   // "M:" col 6 "3" or "4"
};
