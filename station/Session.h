#pragma once

#include <string>

// The signing handshake: from a "TBCR " request to the document on the screen and the pad ready for
// the signer. host is the request's host word, rest the request text behind it, both as they came.
void StartSigningSession(const std::string& host, const std::string& rest);

// The requests in the order the dispatcher takes them on. A message box keeps the message loop
// turning, so a newer request can run to its end while an older one waits in a box; the older one
// then finds itself superseded and leaves the line connection, the signing window and the Temp folder
// to the newer one. Taking a request on ends a handshake that waits in a box: its line connection is
// closed, since that handshake will not touch it again.
int TakeOnRequest();
bool RequestSuperseded(int request);
// The request the station works for now, for a road that must know after a box whether it still does.
int LatestRequest();
