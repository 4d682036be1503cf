// The "TBTR " road: fetch a signed PDF, copy it under its own name in Temp, check it and open it.
#include "Config_form.h"

#include "Globals.h"
#include "Init.h"
#include "Socket_io.h"
#include "signing/Sig_view.h"
#include "win/Files.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const caption = "Norvane Stylara PDF Viewer";

// The text after the last "/" of a host path, or false when there is none. The search never looks at
// the first character, so a path whose only "/" leads it has no base name either.
bool baseName(const std::string& path, std::string& base)
{
    for (size_t i = path.size(); i-- > 1;) {
        if (path[i] == '/') {
            if (i + 1 == path.size())
                return false;
            base = path.substr(i + 1);
            return true;
        }
    }
    return false;
}

// The base name becomes a name in the Temp folder: one that would reach out of it is no file name.
bool staysInTemp(const std::string& base)
{
    return base.find('\\') == std::string::npos && base.find(':') == std::string::npos &&
           base.find("..") == std::string::npos;
}

// Counts the first three lines that begin with the header lines of a signed PDF.
int headerHits(std::FILE* file)
{
    static const char* const header[3] = {"%PDF-1.4", "% Norvane Corvix ", "% Halvenor "};
    int hits = 0;
    for (const char* literal : header) {
        char line[120];
        if (win::textModeGets(line, sizeof line, file) && std::strncmp(line, literal, std::strlen(literal)) == 0)
            ++hits;
    }
    return hits;
}

} // namespace

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

    std::string base;
    if (!baseName(hostPath, base) || !staysInTemp(base)) {
        ErrorBox("Invalid UNIX PDF filename provided.", caption);
        return;
    }
    const std::string copy = globals.TempDir + "\\" + base;
    if (!win::CopyFileA(globals.UnsignedPdfPath.c_str(), copy.c_str(), 0)) {
        ErrorBox("Unable to copy PDF document.  Is the file already open?", caption);
        win::deleteFile(globals.UnsignedPdfPath);
        return;
    }
    win::deleteFile(globals.UnsignedPdfPath);

    const size_t dot = copy.rfind('.');
    if (dot == std::string::npos || copy.substr(dot) != ".pdf") {
        ErrorBox("Invalid file specified.  Only signed PDF files can be displayed with this program.", caption);
        win::deleteFile(copy);
        return;
    }
    std::FILE* file = win::openFile(copy, "rb");
    if (!file) {
        ErrorBox("Could not open signed PDF file for read! (A)", caption);
        win::deleteFile(copy);
        return;
    }
    const int hits = headerHits(file);
    std::fclose(file);
    if (hits == 3) {
        // The copy stays in Temp for the PDF application until the next purge.
        OpenWithShell(copy);
    } else {
        ErrorBox("The specified PDF file cannot be processed by this program...", caption);
        win::deleteFile(copy);
    }
}
