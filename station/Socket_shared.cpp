// The line and fetch routines the viewer links too: they touch no state of the station.
#include "Socket_shared.h"

#include "Init_shared.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "win/Files.h"
#include "win/System.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace ui;

namespace {

// The hourglass for the whole of one transfer, set back on every way out.
struct Hourglass {
    Hourglass() { setScreenCursor(Cursor::Hourglass); }
    ~Hourglass() { setScreenCursor(Cursor::Default); }
};

void errorBox(QWidget* front, const std::string& text, const std::string& caption)
{
    BringWindowToFront(front);
    MessageBox(text, caption, MB_OK | MB_ICONERROR);
}

} // namespace

bool ConnectClientSocket(net::ClientSocket& socket, const std::string& host, int port)
{
    try {
        socket.Host = host;
        socket.Port = port;
        socket.Open();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool ConnectToHost(net::ClientSocket& socket, const std::string& host, int port, QWidget* front,
                   const std::string& caption)
{
    if (ConnectClientSocket(socket, host, port))
        return true;
    if (front)
        BringWindowToFront(front);
    MessageBox("Error connecting to " + host, caption, MB_OK | MB_ICONERROR);
    return false;
}

int ReadSocketByte(net::ClientSocket& socket, QWidget* front)
{
    // The read-ahead is the connection's own: bytes a former connection left unread are not this host's
    // and would pass for its greeting.
    const int byte = socket.Buffer().Next([&socket](char* bytes, int size) { return socket.ReceiveBuf(bytes, size); });
    if (byte == net::ReceiveBuffer::Failed) {
        // Closed before the box: a request that the box's loop lets in may open the connection anew,
        // and that one must stay open.
        socket.Close();
        errorBox(front, "PROBLEM!  Closing socket!", "Error");
        return '^';
    }
    return byte;
}

bool ReadReplyLine(net::ClientSocket& socket, char* replyLine, QWidget* front)
{
    if (!TakeReplyLine(replyLine, [&] { return ReadSocketByte(socket, front); }))
        return false;
    BringWindowToFront(front);
    bool error = false;
    if (replyLine[0] == '-') {
        MessageBox(replyLine + 1, "Stylara - Error", MB_OK | MB_ICONERROR);
        error = true;
    }
    if (replyLine[0] == '!')
        MessageBox(replyLine + 1, "Stylara - Warning", MB_OK | MB_ICONEXCLAMATION);
    return !error;
}

void SendLine(net::ClientSocket& socket, const std::string& text)
{
    if (text.find('\n') == std::string::npos)
        socket.SendText(text + "\n");
    else
        socket.SendText(text);
}

bool FetchHostFile(const HostFileFetch& fetch)
{
    Hourglass hourglass;
    net::ClientSocket& socket = *fetch.socket;
    if (!ConnectToHost(socket, fetch.host, fetch.port, fetch.front, fetch.errorCaption))
        return false;
    *fetch.localPathMember = fetch.localPath;
    const int file = win::openForWriting(fetch.localPath, O_TRUNC);
    if (file < 0) {
        errorBox(fetch.front, "Error opening local file: " + fetch.localPath, fetch.errorCaption);
        socket.Close();
        return false;
    }
    struct Closing {
        net::ClientSocket& socket;
        int file;
        ~Closing()
        {
            if (file >= 0)
                ::close(file);
            socket.Close();
        }
    } closing{socket, file};

    socket.SendText(std::string("TBGF ") + fetch.digit + fetch.hostPath + "\n");
    // The host sends the file's bytes and closes: the end of the data is the end of the file.
    char chunk[1500];
    long long total = 0;
    for (;;) {
        const int received = socket.ReceiveBuf(chunk, sizeof chunk);
        if (received == 0)
            break;
        if (received < 0) {
            errorBox(fetch.front, "PROBLEM!  Closing socket!", fetch.problemCaption);
            return false;
        }
        ssize_t written;
        do
            written = ::write(file, chunk, static_cast<size_t>(received));
        while (written < 0 && errno == EINTR);
        if (written != received) {
            errorBox(fetch.front, "Could not write local file!", fetch.errorCaption);
            return false;
        }
        total += received;
    }
    ::close(closing.file);
    closing.file = -1;
    if (total == 0) {
        errorBox(fetch.front, "Specified UNIX file does not exist", fetch.errorCaption);
        return false;
    }
    return true;
}

std::string StationId(bool useComputerName, const std::string& localAddress)
{
    std::string id;
    if (useComputerName) {
        char name[16] = {};
        unsigned long size = sizeof name;
        if (win::GetComputerNameA(name, &size))
            id = name;
    } else {
        id = localAddress;
    }
    id.resize(25, ' ');
    return id;
}
