// Feeds the line reader and the signing handshake's reply parsing a whole host conversation from memory:
// the first byte sets how the host delivers it, the rest is what the host sends. Beyond "no crash", every
// line stays within the reply line's bounds and every extension cell stays terminated.
#include "net/ReceiveBuffer.h"
#include "station/Globals.h"
#include "station/Replies.h"
#include "station/Socket_shared.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// The host's bytes, handed out at most chunk at a time, as a connection delivers them in pieces; once they
// are used up, the end of the data or (failAtEnd) a failure of the connection.
struct MemoryHost {
    const char* data;
    size_t size;
    int chunk;
    bool failAtEnd;

    int operator()(char* buffer, int room)
    {
        if (size == 0)
            return failAtEnd ? -1 : 0;
        const size_t count = std::min({size, static_cast<size_t>(room), static_cast<size_t>(chunk)});
        std::memcpy(buffer, data, count);
        data += count;
        size -= count;
        return static_cast<int>(count);
    }
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint8_t options = data[0];
    const bool extensionsAsked = options & 1;
    const int selector = options >> 2;
    MemoryHost host{reinterpret_cast<const char*>(data + 1), size - 1,
                    selector == 0 ? net::ReceiveBuffer::Size : selector, (options & 2) != 0};

    // The line on its own allocation of the reply line's size, so a write past its end is caught.
    static const std::unique_ptr<char[]> line(new char[20481]);
    static const std::unique_ptr<_globals> record(new _globals);
    *record = _globals{};
    record->ExtensionCount = extensionsAsked ? -1 : 0;
    static const std::unique_ptr<net::ReceiveBuffer> buffer(new net::ReceiveBuffer);
    buffer->Clear();

    HandshakeReplies replies(*record, extensionsAsked);
    auto nextByte = [&] {
        const int byte = buffer->Next(host);
        return byte == net::ReceiveBuffer::Failed ? '^' : byte;
    };
    // A conversation ends: the greeting, three extension lines, the "M:" line, at most nine more and as many
    // prompts as "M:" col 13 gives (a character's code less that of "0": at most 207), and the final line.
    for (int lines = 0;; ++lines) {
        check(lines < 222);
        if (!TakeReplyLine(line.get(), nextByte))
            break;
        check(std::strlen(line.get()) <= 20480);
        // The host's error line ends the read with false, and with it the handshake.
        if (line[0] == '-')
            break;
        const HandshakeReplies::Outcome outcome = replies.Take(line.get());
        if (outcome == HandshakeReplies::Outcome::Refused)
            check(replies.Refusal() != nullptr);
        if (outcome != HandshakeReplies::Outcome::More)
            break;
    }
    check(record->ExtensionCount <= 99);
    for (const char* cell : record->ExtensionTable)
        check(cell[3] == '\0');
    return 0;
}
