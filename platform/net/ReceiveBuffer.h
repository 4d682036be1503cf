#pragma once

#include <algorithm>

namespace net {

// The read-ahead of a line reader: what the last receive brought and how far the reader has got in it.
// A connection owns one, so the bytes it holds never outlive the connection they came on.
class ReceiveBuffer {
public:
    static constexpr int Size = 20475;
    static constexpr int EndOfData = -1;
    static constexpr int Failed = -2;

    // The next byte (0..255). Once every byte is handed out, receive(bytes, Size) refills the buffer:
    // EndOfData when it gives 0, Failed when it gives less, which leaves the buffer as it was.
    template <class Receive> int Next(Receive&& receive)
    {
        if (m_count == 0 || m_position == m_count) {
            const int received = receive(m_bytes, Size);
            if (received < 0)
                return Failed;
            m_count = std::min(received, Size);
            m_position = 0;
        }
        if (m_count == 0)
            return EndOfData;
        return static_cast<unsigned char>(m_bytes[m_position++]);
    }

    // Drops what was received and not yet handed out.
    void Clear()
    {
        m_count = 0;
        m_position = 0;
    }

    // The bytes received and not yet handed out.
    int Pending() const { return m_count - m_position; }

private:
    char m_bytes[Size]; // left unset: only received bytes are ever handed out
    int m_count = 0;
    int m_position = 0;
};

} // namespace net
