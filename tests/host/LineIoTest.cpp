// Reading and sending lines on the line connection, against the host simulator.
#include "WireFixture.h"
#include "station/Socket_io.h"

#include <optional>

using host::End;
using host::Reply;

class LineIo : public WireFixture {};

TEST_F(LineIo, LineFraming)
{
    struct Read {
        bool result;
        std::optional<std::string> line; // unset: the line must not be used
    };
    struct Row {
        const char* id;
        Reply greeting;
        std::vector<Read> reads;
    };
    const std::string full(20480, 'a');
    const Row rows[] = {
        // The host closes after each greeting, so a reader that takes one byte too many sees an end, not a wait.
        {"host closes without a line", {"", End::Close}, {{true, ""}}},
        {"exactly 20480 characters", {full + "\n", End::Close}, {{true, full}, {true, ""}, {true, ""}}},
        {"one over the limit", {full + "bc\n", End::Close}, {{true, full}, {true, "bc"}}},
        {"carriage return stays", {"DL0\r\n", End::Close}, {{true, "DL0\r"}}},
        {"0xFF ends the line", {"+TB\xFFUS\n", End::Close}, {{true, "+TB"}, {true, "US"}}},
        {"end of data in a line", {"+TB", End::Close}, {{true, "+TB"}, {true, ""}}},
        {"lines of one delivery", {"M:1\nP:/u/a.pdf\n", End::Close}, {{true, "M:1"}, {true, "P:/u/a.pdf"}}},
        {"^ inside a line", {"+T^BUS\n", End::Close}, {{false, std::nullopt}}},
    };
    for (const Row& row : rows) {
        host->setGreeting(row.greeting);
        ASSERT_TRUE(connectLine()) << row.id;
        const int frontsBefore = ui::bringToFrontCount();
        int fronts = 0;
        for (size_t i = 0; i < row.reads.size(); ++i) {
            EXPECT_EQ(ReadReplyLine(), row.reads[i].result) << row.id << " read " << i;
            if (row.reads[i].line) {
                EXPECT_EQ(std::string(globals.ReplyLine), *row.reads[i].line) << row.id << " read " << i;
                ++fronts;
            }
        }
        EXPECT_EQ(ui::bringToFrontCount() - frontsBefore, fronts) << row.id << ": a good read brings the window up";
        EXPECT_EQ(ui::lastWindowBroughtToFront(), form_adobe) << row.id;
        EXPECT_TRUE(boxes.boxes().empty()) << row.id;
        form_config->ClientSocket.Close();
    }
}

TEST_F(LineIo, ErrorAndWarningLinesAreShown)
{
    struct Row {
        const char* line;
        bool result;
        const char* text;
        const char* caption;
        const char* icon;
    } rows[] = {
        {"-Document is locked", false, "Document is locked", "Stylara - Error", "error"},
        {"!Printer is offline", true, "Printer is offline", "Stylara - Warning", "warning"},
    };
    for (const auto& row : rows) {
        boxes.clear();
        seen.clear();
        host->setGreeting(host::lines({row.line}));
        ASSERT_TRUE(connectLine());
        EXPECT_EQ(ReadReplyLine(), row.result) << row.line;
        EXPECT_STREQ(globals.ReplyLine, row.line) << "the whole line stays for the caller";
        ASSERT_EQ(boxes.boxes().size(), 1u) << row.line;
        EXPECT_EQ(boxes.boxes()[0].text, row.text);
        EXPECT_EQ(boxes.boxes()[0].caption, row.caption);
        EXPECT_EQ(boxes.boxes()[0].icon(), row.icon);
        EXPECT_EQ(seen[0].front, form_adobe);
        EXPECT_TRUE(form_config->ClientSocket.Active()) << "the reader leaves the connection to its caller";
        form_config->ClientSocket.Close();
    }
}

TEST_F(LineIo, ReceiveFailureShowsProblemAndClosesTheConnection)
{
    host->setGreeting({"", End::Reset});
    ASSERT_TRUE(connectLine());
    EXPECT_EQ(ReadSocketByte(), '^');
    ASSERT_EQ(boxes.texts(), std::vector<std::string>{"PROBLEM!  Closing socket!"});
    EXPECT_EQ(boxes.boxes()[0].caption, "Error");
    EXPECT_EQ(boxes.boxes()[0].icon(), "error");
    EXPECT_EQ(seen[0].front, form_adobe);
    EXPECT_FALSE(form_config->ClientSocket.Active());

    // A read on the closed connection fails the same way, with one box and no line.
    boxes.clear();
    EXPECT_FALSE(ReadReplyLine());
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"PROBLEM!  Closing socket!"});
}

TEST_F(LineIo, UnreadBytesOfAClosedConnectionDoNotReachTheNext)
{
    host->setGreeting(host::lines({"+TBUS", "-left over from the last document"}));
    openLine();
    form_config->ClientSocket.Close();

    host->setGreeting(host::lines({"+TBUS"}));
    ASSERT_TRUE(connectLine());
    EXPECT_TRUE(ReadReplyLine());
    EXPECT_STREQ(globals.ReplyLine, "+TBUS");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(LineIo, SendLineEndsATextWithoutALineEnd)
{
    openLine();
    const std::pair<std::string, std::string> rows[] = {
        {"TBRR 0station", "TBRR 0station\n"},
        {"TBDL a\nb", "TBDL a\nb"},
        {"TBAS 01/u/a.pdf\n", "TBAS 01/u/a.pdf\n"},
        {"", "\n"},
    };
    std::string expected;
    for (const auto& [text, wire] : rows) {
        SendLine(text);
        expected += wire;
    }
    EXPECT_TRUE(host->waitFor([&](auto& records) { return records.back().received == expected; }))
        << host->connections().back().received;
}

TEST_F(LineIo, ConnectFailsQuietly)
{
    host->refuse(host::Service::Line, true);
    EXPECT_FALSE(ConnectClientSocket("127.0.0.1", host->linePort()));
    EXPECT_FALSE(ConnectClientSocket("", host->linePort()));
    EXPECT_FALSE(form_config->ClientSocket.Active());
    EXPECT_TRUE(boxes.boxes().empty());

    host->refuse(host::Service::Line, false);
    EXPECT_TRUE(ConnectClientSocket("localhost", host->linePort()));
    EXPECT_TRUE(form_config->ClientSocket.Active());
    EXPECT_EQ(form_config->ClientSocket.LocalAddress(), "127.0.0.1");
}
