#pragma once

#include "Reply.h"

#include <functional>
#include <string>

// The few POSIX socket and file calls the host simulator makes; it uses none of the station's socket layer, so
// that a fault there cannot hide itself.
namespace host::tcp {

// A listening socket on 127.0.0.1; port 0 takes a free one. -1 with errno when it cannot be opened.
int listenOn(int port);
int portOf(int fd);
// A blocking connection; -1 when it cannot be made, with the system's reason in reason when given.
int connectTo(const std::string& host, int port, std::string* reason = nullptr);
bool sendAll(int fd, const char* data, size_t size);
inline bool sendAll(int fd, const std::string& bytes) { return sendAll(fd, bytes.data(), bytes.size()); }
// Writes every byte to a file; 0 when all went, else the system's reason (ENOSPC where the file took
// none).
int writeAll(int fd, const char* data, size_t size);
// Sends the reply's bytes piece by piece at its pauses; wait(milliseconds) holds each pause and gives
// false when the sender is to stop. False when a send fails or the sender stopped.
bool sendPaced(int fd, const Reply& reply, const std::function<bool(int milliseconds)>& wait);
// Makes the coming close a reset.
void setReset(int fd);

} // namespace host::tcp
