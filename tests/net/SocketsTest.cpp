// The socket components against real peers on loopback: the host simulator and its request sender.
#include "net/Sockets.h"
#include "TestSupport.h"
#include "host/HostSimulator.h"
#include "host/PcRequest.h"

#include <QTcpServer>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

using testing_support::waitUntil;
using testing_support::freePort;

namespace {

std::string receiveAll(net::ClientSocket& socket, int* last)
{
    std::string bytes;
    char buffer[100];
    int got;
    while ((got = socket.ReceiveBuf(buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<size_t>(got));
    *last = got;
    return bytes;
}

} // namespace

TEST(ClientSocket, ConnectsByNameOrDottedAddressAndTellsItsLocalAddress)
{
    QTemporaryDir folder;
    host::HostSimulator simulator(folder.path().toStdString());
    for (const char* name : {"127.0.0.1", "localhost"}) {
        net::ClientSocket socket;
        socket.Host = name;
        socket.Port = simulator.linePort();
        socket.Open();
        EXPECT_TRUE(socket.Active()) << name;
        EXPECT_EQ(socket.LocalAddress(), "127.0.0.1") << name;
        socket.SendText("TBDL x.nvk\n");
        char reply[64];
        std::string text;
        while (text.find("DL0\n") == std::string::npos) {
            const int got = socket.ReceiveBuf(reply, sizeof reply);
            ASSERT_GT(got, 0) << name;
            text.append(reply, static_cast<size_t>(got));
        }
        EXPECT_EQ(text, "+TBUS\nDL0\n") << name;
        socket.Close();
        EXPECT_FALSE(socket.Active());
        EXPECT_EQ(socket.LocalAddress(), "");
    }
}

TEST(ClientSocket, FailuresRaiseOrAnswerMinusOne)
{
    net::ClientSocket socket;
    socket.Host = "127.0.0.1";
    socket.Port = freePort();
    EXPECT_THROW(socket.Open(), net::SocketError) << "nobody listens";
    EXPECT_FALSE(socket.Active());
    socket.Host = "";
    EXPECT_THROW(socket.Open(), net::SocketError) << "no host";
    socket.Host = "127.0.0.1";
    socket.Port = 70000;
    EXPECT_THROW(socket.Open(), net::SocketError) << "port out of range";

    char buffer[8];
    EXPECT_EQ(socket.ReceiveBuf(buffer, sizeof buffer), -1) << "not connected";
    EXPECT_THROW(socket.SendText("x"), net::SocketError) << "not connected";
}

TEST(ClientSocket, ReceiveTellsAnOrderlyCloseFromAReset)
{
    QTemporaryDir folder;
    host::HostSimulator simulator(folder.path().toStdString());
    struct Row {
        const char* id;
        host::End end;
        int last;
    } rows[] = {{"close", host::End::Close, 0}, {"reset", host::End::Reset, -1}};
    for (const Row& row : rows) {
        simulator.setGreeting({"", row.end});
        net::ClientSocket socket;
        socket.Host = "127.0.0.1";
        socket.Port = simulator.linePort();
        socket.Open();
        int last = 1;
        EXPECT_EQ(receiveAll(socket, &last), "") << row.id;
        EXPECT_EQ(last, row.last) << row.id;
    }
    // Bytes that came before an orderly close are all received, then the end.
    simulator.setGreeting({std::string(50000, 'z'), host::End::Close});
    net::ClientSocket socket;
    socket.Host = "127.0.0.1";
    socket.Port = simulator.linePort();
    socket.Open();
    int last = 1;
    EXPECT_EQ(receiveAll(socket, &last), std::string(50000, 'z'));
    EXPECT_EQ(last, 0);
}

TEST(ClientSocket, AbortIsAFailureForThePeer)
{
    QTemporaryDir folder;
    host::HostSimulator simulator(folder.path().toStdString());
    const std::string hostFile = simulator.localPath("/u/part.pdf");
    net::ClientSocket socket;
    socket.Host = "127.0.0.1";
    socket.Port = simulator.filePort();
    socket.Open();
    socket.SendText("TBSF 0/u/part.pdf\nsome bytes");
    ASSERT_TRUE(
        simulator.waitFor([](auto& records) { return records.size() == 1 && records[0].received.size() == 28; }));
    socket.Abort();
    ASSERT_TRUE(simulator.waitForEnded(host::Service::File, 1));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(hostFile))) << "a reset is not the end of the file";
}

TEST(ServerSocket, OpenFailsOnAPortInUseOrOutOfRange)
{
    const int port = freePort();
    net::ServerSocket first, second;
    first.Port = port;
    ASSERT_TRUE(first.Open());
    EXPECT_TRUE(first.Open()) << "opening again while listening";
    second.Port = port;
    EXPECT_FALSE(second.Open());
    EXPECT_FALSE(second.Active());
    second.Port = 65536;
    EXPECT_FALSE(second.Open());
    second.Port = -1;
    EXPECT_FALSE(second.Open());
}

TEST(ServerSocket, OneReadEventPerDeliveryWithItsConnection)
{
    net::ServerSocket listener;
    listener.Port = freePort();
    ASSERT_TRUE(listener.Open());
    std::vector<std::pair<net::ServerConnection*, std::string>> events;
    QObject::connect(&listener, &net::ServerSocket::ClientRead, &listener, [&](net::ServerConnection* connection) {
        events.emplace_back(connection, connection->ReceiveText());
    });

    host::PcRequest request("127.0.0.1", listener.Port);
    request.send("TBTR Y127.0.0.1 /u/");
    ASSERT_TRUE(waitUntil([&] { return events.size() == 1; }));
    request.send("a.pdf\n");
    ASSERT_TRUE(waitUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(events[0].second, "TBTR Y127.0.0.1 /u/");
    EXPECT_EQ(events[1].second, "a.pdf\n");
    EXPECT_EQ(events[0].first, events[1].first);
    EXPECT_EQ(events[0].first->RemoteAddress(), "127.0.0.1");
    EXPECT_EQ(request.received(), "") << "the listener writes nothing back";

    // A request and the close right behind it still make one event with every byte.
    ASSERT_TRUE(host::sendRequest("127.0.0.1", listener.Port, std::string(30000, 'q')));
    std::string all;
    ASSERT_TRUE(waitUntil([&] {
        all.clear();
        for (size_t i = 2; i < events.size(); ++i)
            all += events[i].second;
        return all.size() == 30000;
    }));
    EXPECT_EQ(all, std::string(30000, 'q'));
}

TEST(ServerSocket, CloseStopsListeningAndClosesTheConnections)
{
    net::ServerSocket listener;
    listener.Port = freePort();
    ASSERT_TRUE(listener.Open());
    net::ServerConnection* seen = nullptr;
    QObject::connect(&listener, &net::ServerSocket::ClientRead, &listener,
                     [&](net::ServerConnection* connection) { seen = connection; });
    host::PcRequest request("127.0.0.1", listener.Port);
    request.send("TBCR x");
    ASSERT_TRUE(waitUntil([&] { return seen != nullptr; }));
    listener.Close();
    EXPECT_FALSE(listener.Active());
    EXPECT_THROW(host::PcRequest("127.0.0.1", listener.Port), std::runtime_error);
    ASSERT_TRUE(listener.Open()) << "and it opens again";
    EXPECT_TRUE(host::sendRequest("127.0.0.1", listener.Port, "TBCR y"));
}

TEST(ReceiveBuffer, RefillsOnlyWhenUsedUpAndAFailureLeavesItAsItWas)
{
    // What each receive gives, in turn: bytes, or a count of -1 (failure) or 0 (end of data).
    const std::vector<std::pair<std::string, int>> deliveries = {{"ab", 2}, {"", -1}, {"c", 1}, {"", 0}};
    size_t receives = 0;
    auto receive = [&](char* bytes, int size) {
        EXPECT_EQ(size, net::ReceiveBuffer::Size);
        const auto& [text, count] = deliveries.at(receives++);
        std::copy(text.begin(), text.end(), bytes);
        return count;
    };
    net::ReceiveBuffer buffer;
    const int expected[] = {'a', 'b', net::ReceiveBuffer::Failed, 'c', net::ReceiveBuffer::EndOfData};
    for (size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(buffer.Next(receive), expected[i]) << "byte " << i;
    EXPECT_EQ(receives, deliveries.size()) << "one receive per delivery, none while bytes are left";
}

TEST(ClientSocket, ReadAheadBelongsToItsConnection)
{
    QTemporaryDir folder;
    host::HostSimulator simulator(folder.path().toStdString());
    // The second line stays read ahead once the first is taken.
    simulator.setGreeting({"+TBUS\n-left over from the last document\n", host::End::Close});
    auto line = [](net::ClientSocket& socket) {
        std::string text;
        for (;;) {
            const int c = socket.Buffer().Next([&](char* bytes, int size) { return socket.ReceiveBuf(bytes, size); });
            if (c < 0 || c == '\n')
                return text;
            text += static_cast<char>(c);
        }
    };
    auto open = [&](net::ClientSocket& socket) {
        socket.Host = "127.0.0.1";
        socket.Port = simulator.linePort();
        socket.Open();
    };
    struct Row {
        const char* id;
        std::function<void(net::ClientSocket& first, net::ClientSocket& next)> leave;
    } rows[] = {
        {"closed, then opened",
         [&](auto& first, auto&) {
             first.Close();
             open(first);
         }},
        {"opened anew while open", [&](auto& first, auto&) { open(first); }},
        {"another connection beside it", [&](auto&, auto& next) { open(next); }},
    };
    size_t connections = 0;
    for (const Row& row : rows) {
        net::ClientSocket first, other;
        open(first);
        ASSERT_TRUE(simulator.waitForEnded(host::Service::Line, ++connections)) << row.id;
        ASSERT_EQ(line(first), "+TBUS") << row.id;
        ASSERT_GT(first.Buffer().Pending(), 0) << row.id;
        row.leave(first, other);
        net::ClientSocket& fresh = other.Active() ? other : first;
        EXPECT_EQ(line(fresh), "+TBUS") << row.id;
        EXPECT_EQ(line(fresh), "-left over from the last document") << row.id;
        if (&fresh == &other) {
            EXPECT_EQ(line(first), "-left over from the last document") << row.id << ": the first keeps its own";
        }
        connections = simulator.connections(host::Service::Line).size();
    }
}
