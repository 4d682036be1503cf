// The listener's read event: the host's requests on port 6070, and the road that shows a signed PDF.
#include "Config_form.h"

#include "Globals.h"
#include "Init.h"
#include "Request.h"
#include "Session.h"
#include "Socket_io.h"
#include "ViewRoad_shared.h"
#include "signing/Adobe_form.h"
#include "ui/MessageBox.h"

using namespace ui;

namespace {

const char* const caption = "Norvane Stylara";

void box(const std::string& text, unsigned icon)
{
    BringWindowToFront(form_adobe);
    MessageBox(text, caption, MB_OK | icon);
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

void signatureRequest(const HostRequest& request)
{
    const int number = TakeOnRequest();
    globals.HostAddress = request.host;
    // An image-mode signing ends without a word: the host gets its cancel notice and knows.
    const char* notice = globals.ImageFormatCode == 0
                             ? "Another signature request was received.  The current document will be discarded."
                             : nullptr;
    if (!supersedeOpenSigning(number, notice))
        return;
    takeOnFlags(request.useComputerName);
    globals.FetchTextFlag = request.fetchText;
    globals.FetchPdfFlag = request.fetchPdf;
    StartSigningSession(request.host, request.rest);
}

void viewRequest(const HostRequest& request)
{
    const std::string& path = request.rest;
    const int number = TakeOnRequest();
    if (!supersedeOpenSigning(
            number, "A view signed PDF document request was received.  The current session will be canceled."))
        return;
    takeOnFlags(request.useComputerName);
    globals.HostAddress = request.host;
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
    const HostRequest request = ParseHostRequest(Socket->ReceiveText());
    if (request.kind == HostRequest::Kind::Unknown)
        box("Invalid data received on port 6070", MB_ICONERROR);
    else if (request.refusal)
        box(request.refusal, MB_ICONERROR);
    else if (request.dropped)
        return;
    else if (request.kind == HostRequest::Kind::Signature)
        signatureRequest(request);
    else
        viewRequest(request);
}
