#pragma once

// The socket components: the blocking client connection and the non-blocking listener.
#include "ClientSocket.h"
#include "ServerConnection.h"
#include "ServerSocket.h"
#include "SocketError.h"
