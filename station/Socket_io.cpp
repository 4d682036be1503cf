#include "Socket_io.h"

#include "Config_form.h"
#include "Globals.h"
#include "Init.h"
#include "Ports.h"
#include "Session.h"
#include "Socket_shared.h"
#include "signing/Adobe_form.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "win/Files.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

using namespace ui;

bool ConnectClientSocket(const std::string& host, int port)
{
    return ConnectClientSocket(form_config->ClientSocket, host, port);
}

int ReadSocketByte() { return ReadSocketByte(form_config->ClientSocket, form_adobe); }

bool ReadReplyLine() { return ReadReplyLine(form_config->ClientSocket, globals.ReplyLine, form_adobe); }

void SendLine(const std::string& text) { SendLine(form_config->ClientSocket, text); }

bool FetchHostFile(unsigned char kind, const std::string& hostPath)
{
    HostFileFetch fetch;
    fetch.socket = &form_config->FileSocket;
    fetch.host = globals.HostAddress;
    fetch.port = HostFilePort();
    fetch.hostPath = hostPath;
    if (kind == 1) {
        fetch.digit = globals.FetchPdfFlag ? '1' : '0';
        fetch.localPath = globals.TempDir + "\\unsigned.pdf";
        fetch.localPathMember = &globals.UnsignedPdfPath;
    } else {
        fetch.digit = globals.FetchTextFlag ? '1' : '0';
        fetch.localPath = globals.TempDir + "\\source.pdf";
        fetch.localPathMember = &globals.SourceTextPath;
    }
    fetch.front = form_adobe;
    fetch.errorCaption = "Norvane Stylara - Error";
    fetch.problemCaption = "Error";
    return FetchHostFile(fetch);
}

bool SendFileToHost(const std::string& localPath, const std::string& hostPath)
{
    setScreenCursor(Cursor::Hourglass);
    net::ClientSocket& socket = form_config->FileSocket;
    if (!ConnectToHost(socket, globals.HostAddress, HostFilePort(), form_adobe, "Norvane Stylara - Error")) {
        setScreenCursor(Cursor::Default);
        return false;
    }
    std::FILE* file = win::openFile(localPath, "rb");
    if (!file) {
        BringWindowToFront(form_adobe);
        MessageBox("Error opening local file: " + localPath, "Norvane Stylara - Error", MB_OK | MB_ICONERROR);
        socket.Close();
        setScreenCursor(Cursor::Default);
        return false;
    }
    try {
        socket.SendText(std::string("TBSF ") + (globals.OverwriteTarget ? "0" : "1") + hostPath + "\n");
        char chunk[1200];
        for (;;) {
            const size_t read = std::fread(chunk, 1, sizeof chunk, file);
            if (read == 0) {
                // A file that cannot be read to its end is not sent as if it had ended.
                if (std::ferror(file))
                    throw std::runtime_error("read");
                break;
            }
            socket.SendBuf(chunk, static_cast<int>(read));
        }
    } catch (const std::exception&) {
        // The host reads to the end of the data: a reset, not a close, keeps it from storing a part as the
        // whole; it comes before the box, as a close of the window during the box would end the data.
        socket.Abort();
        std::fclose(file);
        BringWindowToFront(form_adobe);
        MessageBox("Error saving file on UNIX!", "Error", MB_OK | MB_ICONERROR);
        setScreenCursor(Cursor::Default);
        return false;
    }
    std::fclose(file);
    socket.Close();
    setScreenCursor(Cursor::Default);
    return true;
}

void ReleaseDocumentLock(const std::string& targetPath)
{
    // The lock file is the target's name with its three-character extension replaced by ".nvk", or
    // with ".nvk" added when it has none.
    std::string lockName = targetPath;
    if (lockName.size() > 4 && lockName[lockName.size() - 4] == '.')
        lockName.resize(lockName.size() - 4);
    lockName += ".nvk";
    // A lock name has room for 127 characters; a longer one would name another file once cut, so
    // nothing is released or deleted for it.
    if (lockName.size() > 127)
        return;

    net::ClientSocket& socket = form_config->ClientSocket;
    // A box keeps the message loop turning: a request that came meanwhile owns the line connection then.
    const int request = LatestRequest();
    auto closeOwnConnection = [&] {
        if (!RequestSuperseded(request))
            socket.Close();
    };
    if (globals.ResultToHost) {
        // A host that went down and came back while the document waited has ended the line connection:
        // the lock is released on a new one, whose greeting the reply check below passes over.
        if ((!socket.Active() || socket.PeerClosed()) &&
            !ConnectToHost(socket, globals.HostAddress, HostLinePort(), form_adobe, "Norvane Stylara - Error"))
            return;
        SendLine("TBDL " + lockName);
        if (!ReadReplyLine()) {
            closeOwnConnection();
            return;
        }
        if (std::strncmp(globals.ReplyLine, "+TBUS", 5) == 0 && !ReadReplyLine()) {
            closeOwnConnection();
            return;
        }
        if (std::strcmp(globals.ReplyLine, "DL0") != 0) {
            BringWindowToFront(form_adobe);
            MessageBox("Invalid response from server (DL).", "Norvane Stylara - Error", MB_OK | MB_ICONERROR);
            closeOwnConnection();
        }
        return;
    }
    if (win::fileExists(lockName))
        win::deleteFile(lockName);
}
