#include "Socket_io.h"

#include "Config_form.h"
#include "Globals.h"
#include "station/Ports.h"
#include "station/Socket_shared.h"

bool ConnectClientSocket(const std::string& host, int port)
{
    return ConnectClientSocket(form_config->ClientSocket, host, port);
}

int ReadSocketByte() { return ReadSocketByte(form_config->ClientSocket, form_config); }

bool ReadReplyLine() { return ReadReplyLine(form_config->ClientSocket, globals.ReplyLine, form_config); }

void SendLine(const std::string& text) { SendLine(form_config->ClientSocket, text); }

bool FetchHostFile(unsigned char kind, const std::string& hostPath)
{
    HostFileFetch fetch;
    fetch.socket = &form_config->FileSocket;
    fetch.host = globals.HostAddress;
    fetch.port = HostFilePort();
    // The viewer never sets either flag, so its command is always "TBGF 0".
    fetch.digit = '0';
    fetch.hostPath = hostPath;
    if (kind == 1) {
        fetch.localPath = globals.TempDir + "\\unsigned.pdf";
        fetch.localPathMember = &globals.UnsignedPdfPath;
    } else {
        fetch.localPath = globals.TempDir + "\\source.pdf";
        fetch.localPathMember = &globals.SourceTextPath;
    }
    fetch.front = form_config;
    fetch.errorCaption = "Norvane Stylara PDF Viewer";
    fetch.problemCaption = "Norvane Stylara PDF Viewer";
    return FetchHostFile(fetch);
}
