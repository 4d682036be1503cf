#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace host {

// How the host leaves a connection after it has sent a reply.
enum class End {
    Stay,  // keeps the connection open for the next command
    Close, // an orderly close: the PC reads the end of the data
    Reset, // a reset: the PC's next receive fails
};

// A pause in what the host sends: the bytes before the offset go out on their own, then the host
// waits before it sends the rest, so the PC receives them as deliveries of their own.
struct Pause {
    size_t at = 0;
    int milliseconds = 0;
};

// What the host sends at one point of a connection: bytes as they stand, paused where it says, then
// its end.
struct Reply {
    Reply() = default;
    Reply(std::string bytes, End end = End::Stay, std::vector<Pause> pauses = {})
        : bytes(std::move(bytes)), end(end), pauses(std::move(pauses))
    {
    }

    std::string bytes;
    End end = End::Stay;
    std::vector<Pause> pauses; // by offset, in order
};

// How the file service leaves a transfer: after so many bytes of the file it ends the connection
// ("TBGF": bytes sent; "TBSF": bytes received). Stay on a "TBGF" keeps the connection open after the
// bytes, so the file never ends.
struct FileFault {
    std::uint64_t afterBytes = UINT64_MAX; // the whole file unless fewer are given
    End end = End::Close;
};

// Each line with "\n" after it.
Reply lines(const std::vector<std::string>& lines, End end = End::Stay);

// A reply made from the command it answers (the whole command line, without its "\n").
using Responder = std::function<Reply(const std::string& command)>;

} // namespace host
