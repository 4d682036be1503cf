// The listener's read event: the host's requests on port 6070, and the road that shows a signed PDF.
#include "Config_form.h"

#include "Globals.h"
#include "Init.h"
#include "Session.h"
#include "Socket_io.h"
#include "signing/Adobe_form.h"
#include "signing/Sig_view.h"
#include "ui/MessageBox.h"
#include "win/Files.h"
#include "win/WinPath.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace ui;

namespace {

const char* const caption = "Norvane Stylara";

void box(const std::string& text, unsigned icon)
{
    BringWindowToFront(form_adobe);
    MessageBox(text, caption, MB_OK | icon);
}

// Column 6 of either request: whose name the station gives the host.
bool takeStationIdColumn(const std::string& request, bool& useComputerName)
{
    const char column = request.size() > 5 ? request[5] : '\0';
    if (column != 'Y' && column != 'N') {
        box("Stylara UNIX software requires updating! (1)", MB_ICONERROR);
        return false;
    }
    useComputerName = column == 'Y';
    return true;
}

bool takeDigitColumn(const std::string& request, size_t index, bool& flag, const char* message)
{
    const char column = request.size() > index ? request[index] : '\0';
    if (column != '0' && column != '1') {
        box(message, MB_ICONERROR);
        return false;
    }
    flag = column == '1';
    return true;
}

// The host word and what follows its blank; false when there is no blank.
bool splitAtBlank(const std::string& text, std::string& host, std::string& rest)
{
    const size_t blank = text.find(' ');
    if (blank == std::string::npos)
        return false;
    host = text.substr(0, blank);
    rest = text.substr(blank + 1);
    return true;
}

// A signing still open gives way to the new request; false when a newer one came during the notice.
bool supersedeOpenSigning(int request, const char* notice)
{
    if (!globals.SigningActive)
        return true;
    if (notice) {
        box(notice, MB_ICONEXCLAMATION);
        if (RequestSuperseded(request))
            return false;
    }
    globals.ApprovalShowing = false;
    globals.CloseWithoutAsking = true;
    form_adobe->Close();
    return true;
}

// The request's flags reach the record only once the request is taken on: a request that is refused or
// dropped must leave an open signing as it was (its mode and the digits it sends the host).
void takeOnFlags(bool useComputerName)
{
    globals.UseComputerName = useComputerName;
    globals.HostSideSigning = false;
}

void signatureRequest(const std::string& request)
{
    bool useComputerName = false, fetchText = false, fetchPdf = false;
    if (!takeStationIdColumn(request, useComputerName) ||
        !takeDigitColumn(request, 6, fetchText, "Stylara UNIX software requires updating! (2)") ||
        !takeDigitColumn(request, 7, fetchPdf, "Stylara UNIX software requires updating! (2b)"))
        return;
    std::string host, rest;
    if (!splitAtBlank(request.substr(std::min<size_t>(8, request.size())), host, rest))
        return;
    const int number = TakeOnRequest();
    globals.HostAddress = host;
    // An image-mode signing ends without a word: the host gets its cancel notice and knows.
    const char* notice = globals.ImageFormatCode == 0
                             ? "Another signature request was received.  The current document will be discarded."
                             : nullptr;
    if (!supersedeOpenSigning(number, notice))
        return;
    takeOnFlags(useComputerName);
    globals.FetchTextFlag = fetchText;
    globals.FetchPdfFlag = fetchPdf;
    StartSigningSession(host, rest);
}

// The base name of a host path: what follows its last "/", found from the end back to the path's second
// character. Empty when there is none.
std::string baseName(const std::string& path)
{
    for (size_t i = path.size(); i > 1; --i)
        if (path[i - 1] == '/')
            return path.substr(i);
    return {};
}

// The copy goes into the Temp folder under the host's own name: a name that could lead out of that
// folder, or into a drive, is no name for it.
bool safeBaseName(const std::string& name)
{
    return !name.empty() && name.find('\\') == std::string::npos && name.find(':') == std::string::npos &&
           name.find("..") == std::string::npos;
}

// Each of the three header lines, read with a limit of 119 characters, must begin with its literal; a
// line that cannot be read is a miss.
bool signedHeader(std::FILE* file)
{
    const char* const literals[3] = {"%PDF-1.4", "% Norvane Corvix ", "% Halvenor "};
    int hits = 0;
    for (const char* literal : literals) {
        char line[120];
        if (win::textModeGets(line, sizeof line, file) && std::strncmp(line, literal, std::strlen(literal)) == 0)
            ++hits;
    }
    return hits == 3;
}

void viewRequest(const std::string& request)
{
    bool useComputerName = false;
    if (!takeStationIdColumn(request, useComputerName))
        return;
    std::string host, path;
    if (!splitAtBlank(request.substr(std::min<size_t>(6, request.size())), host, path))
        return;
    const int number = TakeOnRequest();
    if (!supersedeOpenSigning(
            number, "A view signed PDF document request was received.  The current session will be canceled."))
        return;
    takeOnFlags(useComputerName);
    globals.HostAddress = host;
    PurgeTempFolder();
    if (RequestSuperseded(number))
        return;
    // The road's buffers hold 127 characters: a longer path would be cut to name another file.
    if (path.size() > 127) {
        box("Invalid UNIX PDF filename provided.", MB_ICONERROR);
        return;
    }
    globals.FetchPdfFlag = false;
    FetchHostFile(1, path);
    if (RequestSuperseded(number))
        return;

    const std::string name = baseName(path);
    if (!safeBaseName(name)) {
        box("Invalid UNIX PDF filename provided.", MB_ICONERROR);
        return;
    }
    const std::string fetched = globals.UnsignedPdfPath;
    const std::string copy = globals.TempDir + "\\" + name;
    // A document called "unsigned.pdf" is its own copy; deleting the fetched file would take it away.
    const bool sameFile = !fetched.empty() && win::nativePath(fetched) == win::nativePath(copy);
    if (!sameFile) {
        if (!win::CopyFileA(fetched.c_str(), copy.c_str(), 0)) {
            box("Unable to copy PDF document.  Is the file already open?", MB_ICONERROR);
            if (!RequestSuperseded(number))
                win::deleteFile(fetched);
            return;
        }
        win::deleteFile(fetched);
    }

    auto refuse = [&](const char* text) {
        box(text, MB_ICONERROR);
        if (!RequestSuperseded(number))
            win::deleteFile(copy);
    };
    const size_t dot = copy.rfind('.');
    if (dot == std::string::npos || copy.substr(dot) != ".pdf")
        return refuse("Invalid file specified.  Only signed PDF files can be displayed with this program.");
    std::FILE* file = win::openFile(copy, "rb");
    if (!file)
        return refuse("Could not open signed PDF file for read! (A)");
    const bool accepted = signedHeader(file);
    std::fclose(file);
    if (!accepted)
        return refuse("The specified PDF file cannot be processed by this program...");
    // The copy stays in the Temp folder for the program that shows it, until the next purge.
    OpenWithShell(copy);
}

} // namespace

void Tform_config::ServerSocketClientRead(net::ServerConnection* Socket)
{
    // One read event is one request; nothing is written back and the host closes the connection.
    const std::string request = Socket->ReceiveText();
    if (request.compare(0, 5, "TBCR ") == 0)
        signatureRequest(request);
    else if (request.compare(0, 5, "TBTR ") == 0)
        viewRequest(request);
    else
        box("Invalid data received on port 6070", MB_ICONERROR);
}
