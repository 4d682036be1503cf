// The "TBTR " road: fetch a signed PDF, copy it under its own name in Temp, check it and open it.
#include "Config_form.h"

#include "Globals.h"
#include "Init.h"
#include "Socket_io.h"
#include "station/ViewRoad_shared.h"

namespace {
const char* const caption = "Norvane Stylara PDF Viewer";
}

void ViewSignedPdf(const std::string& request)
{
    const char column6 = request.size() > 5 ? request[5] : '\0';
    if (column6 != 'Y' && column6 != 'N') {
        ErrorBox("Stylara UNIX software requires updating! (1)", caption);
        return;
    }
    globals.UseComputerName = column6 == 'Y';
    const std::string rest = request.size() > 6 ? request.substr(6) : std::string();
    const size_t blank = rest.find(' ');
    if (blank == std::string::npos)
        return;
    globals.HostAddress = rest.substr(0, blank);
    const std::string hostPath = rest.substr(blank + 1);

    PurgeTempFolder();
    globals.FetchPdfFlag = false;
    // The fetch reports its own failures; what it left is judged by the checks below.
    FetchHostFile(1, hostPath);

    ShowSignedPdf(hostPath, {globals.TempDir, globals.UnsignedPdfPath,
                             [](const char* text) { ErrorBox(text, caption); }});
}
