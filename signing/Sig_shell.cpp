#include "Sig_view.h"

#include "ui/MessageBox.h"
#include "win/Shell.h"

namespace {
// The texts for the shell's error results; the two about a missing or refused program name the
// program the shell was set up for, whatever file was opened.
std::string shellErrorText(long result) {
    switch (result) {
    case 0:
        return "Operating system is out of resources";
    case 2:
        return "Windows was unable to find varnok.exe";
    case 3:
        return "Windows was unable to find the specified path";
    case 5:
        return "Windows has denied access to varnok.exe";
    case 8:
        return "There was not enough memory to complete the operation";
    case 11:
        return "The .EXE file is invalid or corrupted";
    case 26:
        return "Could not open file, a sharing violation has occurred";
    case 28:
        return "DDE transaction request has timed out";
    case 29:
        return "DDE transaction failed";
    case 30:
        return "DDE Transaction could not be completed because other DDE transactions were being processed";
    case 31:
        return "There is no application associated with the specified filename extension";
    case 32:
        return "The specified DLL was not found";
    default:
        return "";
    }
}
} // namespace

void OpenWithShell(const std::string& path) {
    const long result = win::ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, win::SW_SHOWNORMAL);
    if (result > 32) return;
    // The box has no caption of its own: the platform's default one.
    ui::MessageBox(shellErrorText(result), "Error", ui::MB_OK | ui::MB_ICONERROR);
}
