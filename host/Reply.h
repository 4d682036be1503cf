#pragma once

#include <functional>
#include <string>
#include <vector>

namespace host {

// How the host leaves a connection after it has sent a reply.
enum class End {
    Stay,  // keeps the connection open for the next command
    Close, // an orderly close: the PC reads the end of the data
    Reset, // a reset: the PC's next receive fails
};

// What the host sends at one point of a connection: bytes as they stand, then its end.
struct Reply {
    std::string bytes;
    End end = End::Stay;
};

// Each line with "\n" after it.
Reply lines(const std::vector<std::string>& lines, End end = End::Stay);

// A reply made from the command it answers (the whole command line, without its "\n").
using Responder = std::function<Reply(const std::string& command)>;

} // namespace host
