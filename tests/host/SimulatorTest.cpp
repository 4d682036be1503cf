// The host simulator itself: its reply builders, its script files, its services and the program.
#include "WireFixture.h"
#include "host/PcRequest.h"
#include "host/Replies.h"
#include "host/Script.h"
#include "host/Tcp.h"
#include "net/Sockets.h"
#include "station/Socket_io.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>

using host::End;
using host::Service;
using testing_support::fileContents;
using testing_support::freePort;
using testing_support::waitUntil;

namespace {

std::string hostsim() { return testing_support::builtProgram("host/hostsim"); }

// Receives until at least count bytes have come or the connection ends.
std::string receiveAtLeast(int fd, size_t count)
{
    std::string received;
    char buffer[64];
    ssize_t got = 1;
    while (received.size() < count && (got = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
        received.append(buffer, static_cast<size_t>(got));
    return received;
}

} // namespace

TEST(Replies, ColumnsOfTheBuiltLines)
{
    host::MLine m;
    m.column3 = 'x';
    m.resultToHost = true;
    m.mode = '4';
    m.printMode = 2;
    m.printCopies = 3;
    m.textMode = true;
    m.approvalLines = 5;
    m.padMessage = true;
    m.imageFormat = 7;
    m.imageHeight = 64;
    // Columns 3 to 16 one character each, the height in 17-19, the version from 20 on.
    EXPECT_EQ(m.text(), "M:x1040230105017" + std::string("064") + "9");
    EXPECT_EQ(host::controlLine(1234, 100, 25), "%SRP0000001234100025");

    struct Row {
        size_t count;
        std::vector<std::string> starts;
    } rows[] = {{0, {"X1:00"}}, {5, {"X1:05"}}, {33, {"X1:33"}}, {34, {"X1:34", "X2:"}}, {67, {"X1:67", "X2:", "X3:"}}};
    for (const Row& row : rows) {
        std::vector<std::string> extensions;
        for (size_t i = 0; i < row.count; ++i)
            extensions.push_back(std::to_string(100 + i));
        const std::vector<std::string> lines = host::extensionLines(extensions);
        ASSERT_EQ(lines.size(), row.starts.size()) << row.count;
        for (size_t i = 0; i < lines.size(); ++i)
            EXPECT_EQ(lines[i].substr(0, row.starts[i].size()), row.starts[i]) << row.count;
        if (row.count == 67) {
            EXPECT_EQ(lines[0].size(), 5u + 33 * 3);
            std::string second = "X2:";
            for (int item = 133; item < 166; ++item)
                second += std::to_string(item);
            EXPECT_EQ(lines[1], second);
            EXPECT_EQ(lines[2], "X3:166");
        }
    }
    EXPECT_EQ(host::extensionLines({"pdf", "tx"}), std::vector<std::string>{"X1:02pdftx "});
}

TEST(Replies, HandshakeSendsTheLinesItsColumnsAnnounce)
{
    host::Handshake handshake;
    handshake.extensions = {"pdf"};
    handshake.m.mode = '4';
    handshake.m.hostSideSigning = true;
    handshake.m.padMessage = true;
    handshake.approvalLines = {"Total 100.00", "Sign here"};
    handshake.control = host::controlLine(0, 1, 2);
    const std::vector<std::string> tail = {"C:LASER PRINTER",
                                           "%SRP0000000000001002",
                                           "P:/usr/docs/inv100.pdf",
                                           "C:",
                                           "S:",
                                           "T:C:\\Signed\\inv100.pdf",
                                           "X:/usr/docs/inv100.txt",
                                           "O:Please sign below",
                                           "L:Total 100.00",
                                           "L:Sign here",
                                           "+OK"};
    std::vector<std::string> first = {"X1:01pdf", handshake.m.text()};
    first.insert(first.end(), tail.begin(), tail.end());
    std::vector<std::string> later = {handshake.m.text()};
    later.insert(later.end(), tail.begin(), tail.end());
    EXPECT_EQ(handshake.linesFor("TBRR 1station"), first);
    EXPECT_EQ(handshake.linesFor("TBRR 0station"), later);
    EXPECT_EQ(handshake.linesFor("TBVR 0station"), later);
}

TEST(Script, SectionsLinesAndDirectives)
{
    const host::Script script = host::parseScript("# the demo host\r\n"
                                                  "[greeting]\r\n"
                                                  "+TBUS\r\n"
                                                  "\n"
                                                  "[TBRR]\n"
                                                  "M:0000\n"
                                                  "{empty}\n"
                                                  "T:C:\\Signed\\a.pdf\n"
                                                  "[TBDL ]\n"
                                                  "{raw}DL0\\r\\n\\xff\\\\\n"
                                                  "{close}\n"
                                                  "[TBDL ]\n"
                                                  "{reset}\n");
    ASSERT_TRUE(script.greeting);
    EXPECT_EQ(script.greeting->bytes, "+TBUS\n");
    ASSERT_EQ(script.replies.size(), 3u);
    EXPECT_EQ(script.replies[0].first, "TBRR");
    EXPECT_EQ(script.replies[0].second.bytes, "M:0000\n\nT:C:\\Signed\\a.pdf\n");
    EXPECT_EQ(script.replies[0].second.end, End::Stay);
    EXPECT_EQ(script.replies[1].first, "TBDL ");
    EXPECT_EQ(script.replies[1].second.bytes, "DL0\r\n\xff\\");
    EXPECT_EQ(script.replies[1].second.end, End::Close);
    EXPECT_EQ(script.replies[2].second.bytes, "");
    EXPECT_EQ(script.replies[2].second.end, End::Reset);

    for (const char* bad : {"M:0000\n", "[TBRR]\n{raw}\\q\n", "[TBRR]\n{raw}\\x4\n", "[TBRR]\n{close}\nM:\n"})
        EXPECT_THROW(host::parseScript(bad), std::runtime_error) << bad;
}

TEST(Script, PausesAndFileFaults)
{
    const host::Script script = host::parseScript("[TBRR]\n"
                                                  "{delay 250}\n"
                                                  "M:0000\n"
                                                  "{split}\n"
                                                  "{raw}DL\\|0\\n\n"
                                                  "[TBGF]\n"
                                                  "{send 3000}\n"
                                                  "{reset}\n"
                                                  "[TBSF]\n"
                                                  "{close}\n");
    ASSERT_EQ(script.replies.size(), 1u) << "the file sections answer no line command";
    const host::Reply& reply = script.replies[0].second;
    EXPECT_EQ(reply.bytes, "M:0000\nDL0\n");
    ASSERT_EQ(reply.pauses.size(), 3u);
    const std::pair<size_t, int> pauses[] = {{0, 250}, {7, host::splitMilliseconds}, {9, host::splitMilliseconds}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(reply.pauses[i].at, pauses[i].first) << "pause " << i;
        EXPECT_EQ(reply.pauses[i].milliseconds, pauses[i].second) << "pause " << i;
    }
    ASSERT_TRUE(script.fetchFault);
    EXPECT_EQ(script.fetchFault->afterBytes, 3000u);
    EXPECT_EQ(script.fetchFault->end, End::Reset);
    ASSERT_TRUE(script.storeFault);
    EXPECT_EQ(script.storeFault->afterBytes, 0u) << "a store is cut off at once unless a count is given";
    EXPECT_EQ(script.storeFault->end, End::Close);

    const host::Script endless = host::parseScript("[TBGF]\n{hold}\n");
    ASSERT_TRUE(endless.fetchFault);
    EXPECT_EQ(endless.fetchFault->afterBytes, UINT64_MAX) << "the whole file, then it goes on";
    EXPECT_EQ(endless.fetchFault->end, End::Stay);

    for (const char* bad : {"[TBGF]\n{send x}\n", "[TBGF]\n{receive 1}\n", "[TBSF]\n{hold}\n", "[TBSF]\nDL0\n",
                            "[TBRR]\n{delay -1}\n", "[TBRR]\n{delay 99999999999}\n"})
        EXPECT_THROW(host::parseScript(bad), std::runtime_error) << bad;

    const host::Reply request = host::unescaped("TBTR Y1 /a\\x00\\r\\|b");
    EXPECT_EQ(request.bytes, std::string("TBTR Y1 /a\0\rb", 13));
    ASSERT_EQ(request.pauses.size(), 1u);
    EXPECT_EQ(request.pauses[0].at, 12u);
    EXPECT_THROW(host::unescaped("a\\"), std::runtime_error);
}

class Simulator : public WireFixture {};

TEST_F(Simulator, RepliesInTurnThenTheLastOne)
{
    host->script("TBRR", host::lines({"first"}));
    host->script("TBRR", host::lines({"second"}));
    host->script("TBRR 1", host::lines({"longer prefix"}));
    openLine();
    const std::pair<const char*, const char*> exchanges[] = {
        {"TBRR 0a", "first"},         {"TBRR 0b", "second"}, {"TBRR 0c", "second"},
        {"TBRR 1d", "longer prefix"}, {"TBDL x.nvk", "DL0"}, {"TBAS 00/a /b /c", "AS0"},
    };
    for (const auto& [command, reply] : exchanges) {
        SendLine(command);
        ASSERT_TRUE(ReadReplyLine()) << command;
        EXPECT_STREQ(globals.ReplyLine, reply) << command;
    }
    SendLine("TBXX");
    EXPECT_FALSE(ReadReplyLine()) << "an unscripted command is answered with an error line";
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"hostsim: no reply scripted for TBXX"});
}

TEST_F(Simulator, EachCommandEndsAtItsOwnLineEnd)
{
    openLine();
    // A text holding a line end goes out as it stands; what follows that line end is not the next command.
    SendLine("TBDL a\nb");
    ASSERT_TRUE(ReadReplyLine());
    EXPECT_STREQ(globals.ReplyLine, "DL0");
    SendLine("TBAS 00/a|/b|/c");
    ASSERT_TRUE(ReadReplyLine()) << globals.ReplyLine;
    EXPECT_STREQ(globals.ReplyLine, "AS0");

    // A command that comes in two deliveries, with no reply between them, is one command.
    form_config->ClientSocket.SendText("TBD");
    ASSERT_TRUE(host->waitFor([](auto& records) { return records.back().received.ends_with("TBD"); }));
    form_config->ClientSocket.SendText("L x.nvk\n");
    ASSERT_TRUE(ReadReplyLine()) << globals.ReplyLine;
    EXPECT_STREQ(globals.ReplyLine, "DL0");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Simulator, RepliesComeInThePiecesTheyAreGiven)
{
    host::Reply paced = host::lines({"M:1", "P:/a"});
    paced.pauses = {{0, 300}, {4, 300}};
    host->script("TBRR", paced);
    const int fd = host::tcp::connectTo("127.0.0.1", host->linePort());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(receiveAtLeast(fd, 6), "+TBUS\n");
    const auto sent = std::chrono::steady_clock::now();
    ASSERT_TRUE(host::tcp::sendAll(fd, "TBRR 0x\n"));
    for (const char* piece : {"M:1\n", "P:/a\n"})
        EXPECT_EQ(receiveAtLeast(fd, 1), piece) << "a delivery of its own";
    EXPECT_GE(std::chrono::steady_clock::now() - sent, std::chrono::milliseconds(600));
    ::close(fd);
}

TEST_F(Simulator, AFileThatNeverEnds)
{
    std::mutex mutex;
    std::vector<std::string> log;
    host->setLog([&](const std::string& line) {
        std::lock_guard lock(mutex);
        log.push_back(line);
    });
    writeHostFile("/u/a.pdf", "%PDF-1");
    host->setFileFault(host::FileFault{UINT64_MAX, End::Stay});
    const int fd = host::tcp::connectTo("127.0.0.1", host->filePort());
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(host::tcp::sendAll(fd, "TBGF 1/u/a.pdf\n"));
    EXPECT_EQ(receiveAtLeast(fd, 6), "%PDF-1");
    EXPECT_FALSE(host->waitForEnded(Service::File, 1, 300)) << "the host keeps the connection open";
    ::close(fd);
    ASSERT_TRUE(host->waitForEnded(Service::File, 1)) << "until the PC gives up";
    std::lock_guard lock(mutex);
    EXPECT_EQ(log, std::vector<std::string>{"file: TBGF 1/u/a.pdf: 6 bytes sent, and the file never ends"});
}

TEST_F(Simulator, FileServiceStaysInsideItsFolder)
{
    const std::filesystem::path outside =
        std::filesystem::path(hostFolder.path().toStdString()).parent_path() / ("outside-" + std::to_string(getpid()));
    std::ofstream(outside) << "secret";
    const std::string escape = "/../" + outside.filename().string();
    EXPECT_EQ(host->localPath(escape), "");
    FetchHostFile(1, escape);
    EXPECT_EQ(install.read(globals.UnsignedPdfPath), "");
    install.write("C:\\Stylara\\Temp\\signed.pdf", "overwritten");
    EXPECT_TRUE(SendFileToHost("C:\\Stylara\\Temp\\signed.pdf", escape));
    ASSERT_TRUE(host->waitForEnded(Service::File, 2));
    std::ifstream in(outside);
    std::string contents;
    std::getline(in, contents);
    EXPECT_EQ(contents, "secret");
    std::filesystem::remove(outside);
}

TEST_F(Simulator, ProgramServesAScriptAndSendsRequests)
{
    const std::string dir = hostFolder.path().toStdString() + "/served";
    std::filesystem::create_directories(dir + "/u");
    std::ofstream(dir + "/u/inv100.pdf") << "%PDF-1.4 served";
    const std::string scriptPath = hostFolder.path().toStdString() + "/demo.script";
    std::ofstream(scriptPath) << "[TBRR 1]\nX1:01pdf\nM:000\n[TBRR 0]\n{delay 50}\nM:000\n[TBGF]\n{send 8}\n{reset}\n";
    const int linePort = freePort(), filePort = freePort();

    QProcess serve;
    serve.start(QString::fromStdString(hostsim()),
                {"serve", "--dir", QString::fromStdString(dir), "--line-port", QString::number(linePort), "--file-port",
                 QString::number(filePort), "--script", QString::fromStdString(scriptPath)});
    ASSERT_TRUE(serve.waitForReadyRead(10000)) << serve.readAllStandardError().toStdString();
    EXPECT_TRUE(serve.readLine().startsWith("hostsim: line service on 127.0.0.1:" + QByteArray::number(linePort)));

    ASSERT_TRUE(ConnectClientSocket("127.0.0.1", linePort));
    ASSERT_TRUE(ReadReplyLine());
    EXPECT_STREQ(globals.ReplyLine, "+TBUS");
    SendLine("TBRR 1station");
    ASSERT_TRUE(ReadReplyLine());
    EXPECT_STREQ(globals.ReplyLine, "X1:01pdf");
    ASSERT_TRUE(ReadReplyLine());
    EXPECT_STREQ(globals.ReplyLine, "M:000");
    SendLine("TBRR 0station");
    ASSERT_TRUE(ReadReplyLine());
    EXPECT_STREQ(globals.ReplyLine, "M:000");

    setenv("STYLARA_FILE_PORT", std::to_string(filePort).c_str(), 1);
    globals.FetchPdfFlag = true;
    EXPECT_FALSE(FetchHostFile(1, "/u/inv100.pdf"));
    EXPECT_EQ(install.read(globals.UnsignedPdfPath), "%PDF-1.4") << "the script's part of the file";
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"PROBLEM!  Closing socket!"}) << "then a reset";
    QByteArray log;
    EXPECT_TRUE(waitUntil([&] {
        log += serve.readAllStandardOutput();
        return log.contains("\nfile: TBGF 1/u/inv100.pdf: 8 bytes sent, then a reset\n");
    })) << log.toStdString();

    net::ServerSocket pc;
    pc.Port = freePort();
    ASSERT_TRUE(pc.Open());
    std::vector<std::string> deliveries;
    QObject::connect(&pc, &net::ServerSocket::ClientRead, &pc,
                     [&](net::ServerConnection* connection) { deliveries.push_back(connection->ReceiveText()); });
    // The request takes the script's escapes: a NUL, a carriage return and a split into two deliveries.
    QProcess send;
    send.start(QString::fromStdString(hostsim()),
               {"request", "--to", "127.0.0.1:" + QString::number(pc.Port), "TBCR N00127.0.0.1 job\\x00\\r\\|42"});
    // The loop runs meanwhile, so each delivery is read as it comes.
    ASSERT_TRUE(waitUntil([&] { return send.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(send.exitCode(), 0) << send.readAllStandardError().toStdString();
    const std::vector<std::string> expected = {std::string("TBCR N00127.0.0.1 job\0\r", 23), "42"};
    EXPECT_TRUE(waitUntil([&] { return deliveries.size() >= 2; }));
    EXPECT_EQ(deliveries, expected);

    QProcess badEscape;
    badEscape.start(QString::fromStdString(hostsim()),
                    {"request", "--to", "127.0.0.1:" + QString::number(pc.Port), "TBCR \\q"});
    ASSERT_TRUE(badEscape.waitForFinished(10000));
    EXPECT_EQ(badEscape.exitCode(), 1);
    EXPECT_EQ(badEscape.readAllStandardError().toStdString(), "hostsim: unknown escape \\q\n");

    serve.terminate();
    ASSERT_TRUE(serve.waitForFinished(10000));
    EXPECT_EQ(serve.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(serve.exitCode(), 0);
}

TEST(HostPdf, MakePdfPassesQpdfCheck)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("host.pdf");
    QProcess make;
    make.start(QString::fromStdString(hostsim()), {"make-pdf", out, "--box", "123", "45"});
    ASSERT_TRUE(make.waitForFinished(30000));
    const QByteArray errors = make.readAllStandardError();
    if (make.exitCode() != 0 && errors.contains("not built yet"))
        GTEST_SKIP() << "the host's PDF maker is not in this build yet";
    ASSERT_EQ(make.exitCode(), 0) << errors.toStdString();

    QProcess check;
    check.start("qpdf", {"--check", out});
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString();
    QFile pdf(out);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QRegularExpression("\n%SRP[0-9]{10}123045\r?\n").match(QString::fromLatin1(pdf.readAll())).hasMatch())
        << "the box of the command line stands in the control line";
}

TEST(HostPdf, MakePdfThatCannotWriteSaysWhyAndRemovesOnlyWhatItMade)
{
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    std::filesystem::create_directory(root + "/folder");
    std::ofstream(root + "/mine.pdf") << "mine";
    std::ofstream(root + "/locked.pdf") << "mine";
    std::filesystem::permissions(root + "/locked.pdf", std::filesystem::perms::owner_read);
    struct Row {
        const char* out;
        unsigned long long sizeLimit; // 0: none; else a disk that is full at that size
        const char* reason;
        bool staysAfter; // what stood there before, or nothing when the run made it
    };
    std::vector<Row> rows = {
        {"folder", 0, "Is a directory", true},
        {"missing/out.pdf", 0, "No such file or directory", false},
        {"new.pdf", 100, "File too large", false},
        {"mine.pdf", 100, "File too large", true},
    };
    if (geteuid() != 0) // the superuser writes a read-only file all the same
        rows.push_back({"locked.pdf", 0, "Permission denied", true});
    for (const Row& row : rows) {
        const std::string out = root + "/" + row.out;
        QProcess make;
        {
            std::optional<testing_support::FileSizeLimit> full;
            if (row.sizeLimit)
                full.emplace(row.sizeLimit);
            make.start(QString::fromStdString(hostsim()), {"make-pdf", QString::fromStdString(out)});
            ASSERT_TRUE(make.waitForStarted()) << row.out;
        }
        ASSERT_TRUE(make.waitForFinished(30000)) << row.out;
        EXPECT_EQ(make.exitCode(), 1) << row.out;
        EXPECT_EQ(make.readAllStandardError().toStdString(), "hostsim: cannot write " + out + ": " + row.reason + "\n");
        EXPECT_EQ(std::filesystem::exists(out), row.staysAfter) << row.out;
    }
    EXPECT_TRUE(std::filesystem::is_directory(root + "/folder"));
    EXPECT_EQ(fileContents(root + "/locked.pdf"), "mine");
}

TEST_F(Simulator, AStoreThatCannotBeKeptIsDroppedWithItsReasonAndTakesNoFileOfTheFolder)
{
    std::mutex mutex;
    std::vector<std::string> log;
    host->setLog([&](const std::string& line) {
        std::lock_guard lock(mutex);
        log.push_back(line);
    });
    const std::string root = hostFolder.path().toStdString();
    std::filesystem::create_directories(root + "/u/folder.pdf");
    std::ofstream(root + "/plain") << "plain";
    // Files of the folder with the names a transfer's part file would take first.
    for (int i = 0; i < 4; ++i)
        std::ofstream(root + "/u/.hostsim-" + std::to_string(i) + ".part") << "mine";
    struct Row {
        const char* path;
        std::string note;
    };
    const Row rows[] = {
        {"/u/folder.pdf", "dropped: cannot store it as " + root + "/u/folder.pdf: Is a directory"},
        {"/plain/a.pdf", "dropped: cannot make " + root + "/plain: "},
        {"/u/kept.pdf", "6 bytes stored"},
    };
    int transfers = 0;
    for (const Row& row : rows) {
        const int fd = host::tcp::connectTo("127.0.0.1", host->filePort());
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(host::tcp::sendAll(fd, "TBSF 0" + std::string(row.path) + "\n%PDF-1"));
        ::close(fd);
        ASSERT_TRUE(host->waitForEnded(Service::File, ++transfers)) << row.path;
        std::lock_guard lock(mutex);
        const std::string expected = "file: TBSF 0" + std::string(row.path) + ": " + row.note;
        EXPECT_EQ(log.back().substr(0, expected.size()), expected) << log.back();
    }
    EXPECT_TRUE(std::filesystem::is_directory(root + "/u/folder.pdf"));
    EXPECT_EQ(fileContents(root + "/u/kept.pdf"), "%PDF-1");
    size_t parts = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root + "/u"))
        if (entry.path().extension() == ".part") {
            ++parts;
            EXPECT_EQ(fileContents(entry.path().string()), "mine") << entry.path();
        }
    EXPECT_EQ(parts, 4u) << "the part files of the transfers are gone, the folder's own stay";
}

TEST_F(Simulator, StoredFileAnswersOnlyOnceTheStoreHasEnded)
{
    // A store the PC keeps open is not on disk yet: it is not answered, though bytes of it have come.
    const int open = host::tcp::connectTo("127.0.0.1", host->filePort());
    ASSERT_GE(open, 0);
    ASSERT_TRUE(host::tcp::sendAll(open, "TBSF 0/u/open.pdf\n%PDF-1"));
    ASSERT_TRUE(host->waitFor([](auto& records) { return !records.empty() && records[0].received.size() > 18; }));
    EXPECT_EQ(host->storedFile("/u/open.pdf", 300), std::nullopt);
    ::close(open);
    EXPECT_EQ(host->storedFile("/u/open.pdf"), "%PDF-1");

    // Read at once after the PC has sent and closed, each round's file is whole, even while the host
    // has not yet taken the connection.
    for (int round = 0; round < 20; ++round) {
        const std::string path = "/u/round" + std::to_string(round) + ".pdf";
        const std::string bytes(256 * 1024, static_cast<char>('a' + round));
        const int fd = host::tcp::connectTo("127.0.0.1", host->filePort());
        ASSERT_GE(fd, 0);
        ASSERT_TRUE(host::tcp::sendAll(fd, "TBSF 0" + path + "\n" + bytes));
        ::close(fd);
        const std::optional<std::string> stored = host->storedFile(path);
        ASSERT_TRUE(stored) << "round " << round;
        EXPECT_TRUE(*stored == bytes) << "round " << round << ": " << stored->size() << " bytes";
    }
    EXPECT_EQ(host->storedFile("/u/never.pdf"), std::nullopt) << "no such file";
    EXPECT_EQ(host->storedFile("/../outside.pdf"), std::nullopt) << "outside the folder";
}
