#pragma once

#include <string>

// The viewer's traffic with the host over form_config's ClientSocket and FileSocket: the station's line
// routines with form_config brought to the front, and the viewer's fetch with its own captions.
bool ConnectClientSocket(const std::string& host, int port);
int ReadSocketByte();
bool ReadReplyLine();
void SendLine(const std::string& text);
// Kind 1 fetches into "unsigned.pdf" in Temp, any other kind into "source.pdf"; true when the whole
// file arrived (each failure has shown its box).
bool FetchHostFile(unsigned char kind, const std::string& hostPath);
