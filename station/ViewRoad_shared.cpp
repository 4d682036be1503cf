#include "ViewRoad_shared.h"

#include "signing/Sig_view.h"
#include "win/Files.h"
#include "win/WinPath.h"

#include <cstdio>
#include <cstring>

namespace {

// The copy goes into the Temp folder under the host's own name: a name that could lead out of that
// folder, or into a drive, is no name for it; dots inside a name ("inv..v2.pdf") lead nowhere.
bool safeBaseName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos;
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

} // namespace

std::string HostBaseName(const std::string& path)
{
    for (size_t i = path.size(); i > 1; --i)
        if (path[i - 1] == '/')
            return path.substr(i);
    return {};
}

void ShowSignedPdf(const std::string& hostPath, const SignedPdfView& view)
{
    const std::string name = HostBaseName(hostPath);
    if (!safeBaseName(name))
        return view.refuse("Invalid UNIX PDF filename provided.");
    const std::string& fetched = view.fetchedPath;
    const std::string copy = view.tempDir + "\\" + name;
    // A document called "unsigned.pdf" is its own copy; deleting the fetched file would take it away.
    const bool sameFile = !win::nativePath(fetched).empty() && win::nativePath(fetched) == win::nativePath(copy);
    if (!sameFile) {
        if (!win::CopyFileA(fetched.c_str(), copy.c_str(), 0)) {
            view.refuse("Unable to copy PDF document.  Is the file already open?");
            if (!view.superseded())
                win::deleteFile(fetched);
            return;
        }
        win::deleteFile(fetched);
    }

    auto refuse = [&](const char* text) {
        view.refuse(text);
        if (!view.superseded())
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
