// The "TBCR " road of the viewer: a print-only request. A short handshake with the host ("TBVR 0"),
// the fetch of the text document, and printing it.
#include "Config_form.h"
#include "station/Socket_shared.h"

#include "Globals.h"
#include "Init.h"
#include "Socket_io.h"
#include "station/Ports.h"
#include "ui/AnsiText.h"
#include "win/Files.h"
#include "win/System.h"

#include <QPlainTextEdit>

#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

const char* const caption = "Norvane Stylara PDF Viewer";
const char* const errorCaption = "Norvane Stylara PDF Viewer - Error";

// Every way out of the handshake leaves the line connection closed, a send that raises included, so
// the next request never finds a half-read connection to reuse.
struct LineClosing {
    ~LineClosing()
    {
        if (form_config && form_config->ClientSocket.Active())
            form_config->ClientSocket.Close();
    }
};

// A decimal number as the C library reads one: blanks, a sign, digits up to the first other character.
int numberAt(const char* text)
{
    const long value = std::strtol(text, nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

bool replyBegins(const char* prefix) { return std::strncmp(globals.ReplyLine, prefix, std::strlen(prefix)) == 0; }

// Reads the next reply line and checks its prefix; false (the box shown) ends the request.
bool readLine(const char* prefix, const char* failure, const char* failureCaption = errorCaption)
{
    if (!ReadReplyLine())
        return false;
    if (!replyBegins(prefix)) {
        ErrorBox(failure, failureCaption);
        return false;
    }
    return true;
}

// The lines of the fetched text into re_text, in the text settings' font.
void loadText()
{
    QPlainTextEdit& view = *form_config->re_text;
    view.clear();
    QFont font = view.font();
    font.setBold(globals.TextBold);
    if (globals.TextSize > 0)
        font.setPointSize(globals.TextSize);
    view.setFont(font);
    std::string bytes;
    win::readWholeFile(globals.SourceTextPath, bytes);
    view.setPlainText(ui::documentFromAnsi(bytes));
}

// The handshake on the line connection; true when the host has named the text to print.
bool askHost(const std::string& host, const std::string& argument)
{
    net::ClientSocket& socket = form_config->ClientSocket;
    if (!socket.Active() && !ConnectToHost(socket, host, HostLinePort(), form_config, errorCaption))
        return false;
    if (!ReadReplyLine())
        return false;
    if (std::strcmp(globals.ReplyLine, "+TBUS") != 0) {
        ErrorBox("Incorrect server response on port 6070!", errorCaption);
        return false;
    }
    // "0": the viewer never asks for the extension lines.
    SendLine("TBVR 0" + StationId(globals.UseComputerName, form_config->ClientSocket.LocalAddress()) + argument);

    if (!readLine("M:", "Invalid response from server (1)."))
        return false;
    const std::string m = globals.ReplyLine;
    if (m.size() < 19) {
        ErrorBox("Incompatible protocol version!  (PC software requires updating)", errorCaption);
        return false;
    }
    globals.PrintCopies = m[8] - '0';
    const char mode = m[5];
    if ((mode != '2' && mode != '3') || m[10] == '0') {
        ErrorBox("Invalid data received.  Trying to sign with PDF viewer program?", caption);
        return false;
    }
    // The version from column 19 on: the viewer's own layout, and the station's with "0" in column 19.
    const int version = numberAt(m.c_str() + 18);
    if (version > 9) {
        ErrorBox("Incompatible protocol version!  (PC software requires updating)", errorCaption);
        return false;
    }
    if (version < 9) {
        ErrorBox("Incompatible protocol version!  (UNIX software requires updating)", errorCaption);
        return false;
    }
    globals.DocumentPrinter.clear();

    if (mode == '3') {
        if (!readLine("C:", "Invalid response from server (3p).", "Norvane Stylara Viewer - Error"))
            return false;
        LoadPrinterDescriptions();
        std::string name = FindCustomPrinter(globals.ReplyLine + 2);
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        globals.DocumentPrinter = name;
    }
    if (!readLine("P:", "Invalid response from server (3).") || !readLine("C:", "Invalid response from server (4).") ||
        !readLine("S:", "Invalid response from server (4s).") ||
        !readLine("T:", "Invalid response from server (4t).") || !readLine("X:", "Invalid response from server (4x)."))
        return false;
    globals.HostTextPath = globals.ReplyLine + 2;
    // The final line: its content is not looked at.
    return ReadReplyLine();
}

} // namespace

void PrintTextRequest(const std::string& request)
{
    const char column6 = request.size() > 5 ? request[5] : '\0';
    const char column7 = request.size() > 6 ? request[6] : '\0';
    if (column6 != 'Y' && column6 != 'N') {
        ErrorBox("Stylara UNIX software requires updating! (1)", caption);
        return;
    }
    globals.UseComputerName = column6 == 'Y';
    // Column 7 is checked but means nothing to the viewer; column 8 is not looked at.
    if (column7 != '0' && column7 != '1') {
        ErrorBox("Stylara UNIX software requires updating! (2)", caption);
        return;
    }
    const std::string rest = request.size() > 8 ? request.substr(8) : std::string();
    const size_t blank = rest.find(' ');
    if (blank == std::string::npos)
        return;
    globals.HostAddress = rest.substr(0, blank);

    {
        LineClosing closing;
        if (!askHost(globals.HostAddress, rest.substr(blank + 1)))
            return;
    }

    globals.FetchTextFlag = false;
    // A text that did not arrive is not printed: "source.pdf" would still hold an earlier request's
    // document, or a part of this one.
    if (!FetchHostFile(0, globals.HostTextPath))
        return;
    loadText();
    PrintTextDocument();
}
