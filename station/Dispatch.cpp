// The listener's read event: the host's requests on port 6070, and the road that shows a signed PDF.
#include "Config_form.h"

#include "Globals.h"
#include "Init.h"
#include "Session.h"
#include "Socket_io.h"
#include "ViewRoad_shared.h"
#include "signing/Adobe_form.h"
#include "ui/MessageBox.h"

#include <algorithm>

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

    ShowSignedPdf(path, {globals.TempDir, globals.UnsignedPdfPath,
                         [](const char* text) { box(text, MB_ICONERROR); },
                         [number] { return RequestSuperseded(number); }});
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
