#include "Sig_delivery.h"

#include "Adobe_form.h"
#include "Sig_pdf.h"
#include "Sig_view.h"
#include "sigplus/SigPlus.h"
#include "station/Config_form.h"
#include "station/Globals.h"
#include "station/Init.h"
#include "station/Session.h"
#include "station/Socket_io.h"
#include "ui/MessageBox.h"
#include "win/Files.h"

#include <QPushButton>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace ui;

namespace {

void errorBox(const std::string& text, const std::string& caption)
{
    BringWindowToFront(form_adobe);
    MessageBox(text, caption, MB_OK | MB_ICONERROR);
}

// The extension a numbered name ends in: the target's own, cut to three characters, a two-character
// one marked with "~".
std::string numberedExtension(const std::string& targetPath)
{
    std::string extension = ExtensionOfPath(targetPath);
    if (extension.size() >= 2) {
        extension.resize(std::min<size_t>(extension.size(), 3));
        if (extension.size() == 2)
            extension += "~";
    }
    return extension;
}

// The name without a trailing extension of three or two characters, then without a trailing "-"
// and three or four characters after it (the number of an earlier numbered name).
std::string numberingBase(const std::string& name)
{
    std::string base = name;
    const size_t n = base.size();
    if (n >= 4 && base[n - 4] == '.')
        base.resize(n - 4);
    else if (n >= 3 && base[n - 3] == '.')
        base.resize(n - 3);
    const size_t length = base.size();
    if (length > 5 && base[length - 4] == '-')
        base.resize(length - 4);
    else if (length > 6 && base[length - 5] == '-')
        base.resize(length - 5);
    return base;
}

} // namespace

std::string FileNameOfPath(const std::string& path)
{
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string ExtensionOfPath(const std::string& path)
{
    const std::string name = FileNameOfPath(path);
    const size_t dot = name.find('.');
    if (dot == std::string::npos)
        return {};
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

std::int32_t TextToLong(const char* text)
{
    // The platform's long has 32 bits and its atol answers the nearest limit for a number too large.
    const long long value = std::strtoll(text, nullptr, 10);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

std::int32_t NumberAfterLastDash(const std::string& name)
{
    const std::string stem = name.substr(0, name.find('.'));
    const size_t dash = stem.rfind('-');
    if (dash == std::string::npos)
        return 1;
    return TextToLong(stem.c_str() + dash + 1);
}

bool NextFreeTargetName()
{
    const std::string extension = numberedExtension(globals.TargetPath);
    const std::string name = FileNameOfPath(globals.TargetPath);
    const std::string directory = globals.TargetPath.substr(0, globals.TargetPath.size() - name.size());
    const std::string base = numberingBase(name);
    for (std::int64_t i = NumberAfterLastDash(name);; ++i) {
        if (i >= 9999) {
            MessageBox("No further images are available!  File capacity of 9,999 has been reached!", "Error",
                       MB_OK | MB_ICONERROR);
            return false;
        }
        std::string candidate = directory + base;
        if (i != 1) {
            char number[16];
            std::snprintf(number, sizeof number, "-%04d", static_cast<int>(i));
            candidate += number;
        }
        // The name that would be written counts as well: the host's list need not hold the target's own
        // extension, and an existing signed document must never be replaced by the next one.
        bool taken = win::pathExists(candidate + "." + extension);
        for (int cell = 0; !taken && cell < globals.ExtensionCount && cell < 99; ++cell)
            taken = win::pathExists(candidate + "." + globals.ExtensionTable[cell]);
        if (!taken) {
            globals.TargetPath = candidate + "." + extension;
            return true;
        }
    }
}

void SaveSignedDocument()
{
    // The host locked the document under the name it asked for, before any renumbering.
    const std::string lockTarget = globals.TargetPath;
    if (!globals.DocumentSigned) {
        BringWindowToFront(form_adobe);
        MessageBox("Document must be signed before saving.", "Note", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    form_adobe->SetStatusText("Saving document...");
    if (globals.ResultToHost) {
        if (!SendFileToHost(globals.SignedPdfPath, globals.TargetPath)) {
            form_adobe->SetStatusText("");
            return;
        }
    } else {
        if (!globals.OverwriteTarget && win::fileExists(globals.TargetPath) && !NextFreeTargetName()) {
            form_adobe->SetStatusText("");
            return;
        }
        if (!win::CopyFileA(globals.SignedPdfPath.c_str(), globals.TargetPath.c_str(), 0)) {
            errorBox("Unable to save signed document to Windows!", "Error");
            form_adobe->SetStatusText("");
            return;
        }
    }
    const int request = LatestRequest();
    ReleaseDocumentLock(lockTarget);
    // A request that came during the release's box has closed this document and opened its own.
    if (RequestSuperseded(request))
        return;
    form_adobe->SetStatusText("");
    globals.CloseWithoutAsking = true;
    form_adobe->but_save->setEnabled(false);
    form_adobe->Close();
    if (globals.OpenAfterSave)
        OpenWithShell(globals.SignedPdfPath);
}

bool SendSignaturePath()
{
    const std::string localPath = globals.TempDir + "\\sign.nvq";
    if (win::fileExists(localPath))
        win::deleteFile(localPath);
    std::FILE* out = win::openFile(localPath, "wb");
    bool written = out && WriteStrokePath(out, globals.SignatureBoxX, globals.SignatureBoxY,
                                          ReadPadStrokes(*form_adobe->SigPlus1));
    if (out && std::fclose(out) != 0)
        written = false;
    if (!written) {
        // A path file cut short would have the host draw part of the signature as if it were all of it.
        if (out)
            win::deleteFile(localPath);
        errorBox("Could not create temp file for signature save!", "Error");
        return false;
    }

    std::string address;
    for (char c : globals.LocalAddress)
        if (c != '.')
            address += c;
    globals.HostSignaturePath = "/usr/lib/norvane/tablet/temp/s" + address;

    const bool sent = SendFileToHost(localPath, globals.HostSignaturePath);
    if (!sent) {
        errorBox("Error saving signature to UNIX!", "Stylara - Error");
        win::deleteFile(localPath);
        form_adobe->SetStatusText("");
        return false;
    }
    win::deleteFile(localPath);
    return true;
}

void SendAddSignature()
{
    std::string line = "TBAS ";
    line += globals.FetchPdfFlag ? '1' : '0';
    line += globals.OverwriteTarget ? '1' : '0';
    line += globals.HostDocumentPath + "|" + globals.HostSignaturePath + "|" + globals.TargetPath;
    SendLine(line);
    if (!ReadReplyLine()) {
        form_config->ClientSocket.Close();
        return;
    }
    if (std::strncmp(globals.ReplyLine, "+TBUS", 5) == 0 && !ReadReplyLine()) {
        form_config->ClientSocket.Close();
        return;
    }
    if (std::strcmp(globals.ReplyLine, "AS0") != 0)
        errorBox("Error adding signature on UNIX!", "Norvane Stylara - Error");
}
