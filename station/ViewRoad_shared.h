#pragma once

#include <functional>
#include <string>

// The part of the view road that both programs walk after the fetch: the copy under the host's own
// base name in the Temp folder, the extension and header checks, and the shell open.
struct SignedPdfView {
    std::string tempDir;
    std::string fetchedPath;                           // where the fetch put the file ("unsigned.pdf")
    std::function<void(const char* text)> refuse;      // the program's error box, window to the front
    std::function<bool()> superseded = [] { return false; }; // a newer request ran during a box
};

void ShowSignedPdf(const std::string& hostPath, const SignedPdfView& view);

// What follows the last "/" of a host path, searched from the end back to its second character; empty
// when there is none or the path ends in "/".
std::string HostBaseName(const std::string& path);
