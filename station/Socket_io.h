#pragma once

#include <string>

// The station's traffic with the host: the line connection (form_config->ClientSocket) and the file
// connection (form_config->FileSocket); every box comes after the signing window is brought to the front.
bool ConnectClientSocket(const std::string& host, int port);
int ReadSocketByte();
bool ReadReplyLine();
void SendLine(const std::string& text);
// Kind 1 fetches the PDF document into "unsigned.pdf" in Temp, any other kind the text into "source.pdf".
// True when the whole file arrived; a failure has been shown in its box.
bool FetchHostFile(unsigned char kind, const std::string& hostPath);
bool SendFileToHost(const std::string& localPath, const std::string& hostPath);
void ReleaseDocumentLock(const std::string& targetPath);
