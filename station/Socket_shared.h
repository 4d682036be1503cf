#pragma once

#include "net/ClientSocket.h"

#include <string>

class QWidget;

// The host line routines both programs run, with what differs between them as arguments: the
// connection, the reply buffer, the window brought to the front before a box and the captions.

// Connects the line connection; false on any failure, without a message.
bool ConnectClientSocket(net::ClientSocket& socket, const std::string& host, int port);
// Connects a line or file connection; when it cannot, shows "Error connecting to " + host with the
// caption, after bringing front to the front (a null front: the caller has just done so), and gives false.
bool ConnectToHost(net::ClientSocket& socket, const std::string& host, int port, QWidget* front,
                   const std::string& caption);
// The next byte of the line connection (0..255), "^" after a receive failure, -1 at the end of data.
int ReadSocketByte(net::ClientSocket& socket, QWidget* front);
// One line into replyLine (20481 characters); false on a failure or a "-" error line.
bool ReadReplyLine(net::ClientSocket& socket, char* replyLine, QWidget* front);

// The framing of one reply line, apart from the connection and the boxes: bytes come from nextByte, which
// answers as ReadSocketByte does, into line (room for 20481). A "\n" or the end of data ends the line
// (neither is stored), and so does the 20480th character; false when a "^" ended the read, which leaves
// the line unterminated and not to be used.
template <class NextByte> bool TakeReplyLine(char* line, NextByte&& nextByte)
{
    constexpr int limit = 20480;
    int length = 0;
    while (length < limit) {
        // The reader takes each byte as a signed character, so a byte 0xFF ends the line as the end of data does.
        const char c = static_cast<char>(nextByte());
        if (c == '^')
            return false;
        if (c == '\n' || c == -1)
            break;
        line[length++] = c;
    }
    line[length] = '\0';
    return true;
}
// Sends the text, with "\n" appended when it holds none anywhere.
void SendLine(net::ClientSocket& socket, const std::string& text);

// One "TBGF" on a new file connection.
struct HostFileFetch {
    net::ClientSocket* socket = nullptr;
    std::string host;
    int port = 0;
    char digit = '0'; // the digit of the command
    std::string hostPath;
    std::string localPath;                  // the Temp file the bytes go to
    std::string* localPathMember = nullptr; // set to localPath once connected, before the file is opened
    QWidget* front = nullptr;
    std::string errorCaption;   // connect, local file and empty-file boxes
    std::string problemCaption; // the receive-failure box
};
// True when the host sent the file and every byte of it was written; the boxes have told of the rest.
bool FetchHostFile(const HostFileFetch& fetch);

// The station's name on the wire, exactly 25 characters, blank-padded or cut: the computer name when
// asked for (empty when it cannot be read), else the line connection's local address.
std::string StationId(bool useComputerName, const std::string& localAddress);
