// The signing road from a "TBCR " request to the document on the screen and the pad ready, against
// the host simulator: every reply line the station reads, and what it makes of them.
#include "RoadFixture.h"
#include "acrobat/Acrobat.h"
#include "signing/Adobe_form.h"
#include "signing/Panel.h"
#include "signing/Waiting_form.h"
#include "station/Config_form.h"
#include "station/Globals.h"
#include "station/Socket_io.h"
#include "win/System.h"

#include <QAction>
#include <QPdfDocument>
#include <QPdfView>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

using host::End;
using host::Service;
using Texts = std::vector<std::string>;

namespace {

// Extension k of a table of count items, three characters each: "001", "002" ...
std::vector<std::string> numberedExtensions(int count)
{
    std::vector<std::string> items;
    for (int k = 1; k <= count; ++k) {
        char item[16];
        std::snprintf(item, sizeof item, "%03d", k);
        items.push_back(item);
    }
    return items;
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

class SigningHandshake : public RoadFixture {
protected:
    // Ends the open document as the station would before the next row.
    void closeDocument()
    {
        globals.CloseWithoutAsking = true;
        form_adobe->Close();
        boxes.clear();
    }
    QPdfView* pdfView() const { return form_adobe->Panel1->findChild<QPdfView*>(); }
};

TEST_F(SigningHandshake, FirstRequestTakesTheExtensionsShowsTheDocumentAndReadiesThePad)
{
    host::Handshake reply;
    reply.extensions = {"doc", "pdf", "txt", "jpg", "tif"};
    serve(reply);
    request("TBCR Y10127.0.0.1 job42");

    EXPECT_EQ(boxes.texts(), Texts{});
    EXPECT_EQ(lineTraffic(), Texts{"TBRR 1PC1" + blanks(22) + "job42\n"});
    EXPECT_EQ(globals.ExtensionCount, 5);
    const char* cells[] = {"doc", "pdf", "txt", "jpg", "tif", ""};
    for (int i = 0; i < 6; ++i)
        EXPECT_STREQ(globals.ExtensionTable[i], cells[i]) << "cell " << i + 1;
    EXPECT_EQ(fileCommands(), Texts{"TBGF 0/usr/docs/inv100.pdf\n"});
    EXPECT_EQ(install.read("C:\\Stylara\\Temp\\unsigned.pdf"), hostPdf);
    EXPECT_EQ(globals.TargetPath, "C:\\Signed\\inv100.pdf");
    EXPECT_TRUE(install.exists("C:\\Signed")) << "the target's folder is made before the signing";

    EXPECT_TRUE(globals.SigningActive);
    EXPECT_TRUE(form_adobe->isVisible());
    // The platform reports the window's state by an event of its own, which may come after the request.
    EXPECT_TRUE(testing_support::waitUntil([] { return form_adobe->isMaximized(); }));
    EXPECT_FALSE(form_adobe->but_save->isEnabled());
    EXPECT_TRUE(form_adobe->but_print->isEnabled());
    EXPECT_TRUE(form_adobe->Print1->isEnabled());
    ASSERT_NE(pdfView(), nullptr);
    ASSERT_NE(pdfView()->document(), nullptr);
    EXPECT_EQ(pdfView()->document()->pageCount(), 1);
    EXPECT_FALSE(globals.ApprovalShowing);
    expectPadScreen("pad_signing.png");
    EXPECT_TRUE(form_config->ClientSocket.Active()) << "kept for the document's later commands";

    // From now on "TBRR 0", and the host's first reply is the "M:" line.
    serve(reply);
    request("TBCR N00127.0.0.1 job43\n");
    EXPECT_EQ(boxes.texts(), Texts{"Another signature request was received.  The current document will be discarded."});
    ASSERT_EQ(lineTraffic().size(), 2u);
    EXPECT_EQ(lineTraffic()[1], "TBRR 0127.0.0.1" + blanks(16) + "job43\n") << "the request's line end is its own";
    EXPECT_TRUE(host->waitForEnded(Service::Line, 1)) << "the superseded document's connection is closed";
    EXPECT_TRUE(globals.SigningActive);
    EXPECT_TRUE(form_config->ClientSocket.Active());
}

TEST_F(SigningHandshake, ExtensionCounts)
{
    struct Row {
        const char* id;
        Texts extensionLines;
        int count;
        Texts cells; // the cells from the first on; the one after them keeps what it held
    };
    const Row rows[] = {
        {"34: one item on X2", host::extensionLines(numberedExtensions(34)), 34, numberedExtensions(34)},
        {"67: X2 and X3", host::extensionLines(numberedExtensions(67)), 67, numberedExtensions(67)},
        {"99: every cell", host::extensionLines(numberedExtensions(99)), 99, numberedExtensions(99)},
        {"0: nothing, no X2", {"X1:00"}, 0, {}},
        {"items beyond the line are short or empty", {"X1:04001002x"}, 4, {"001", "002", "x", ""}},
        {"-1: nothing", {"X1:-1001"}, -1, {}},
    };
    const Texts rest = host::Handshake{}.linesFor("TBRR 0");
    for (const Row& row : rows) {
        globals.ExtensionCount = -1;
        for (auto& cell : globals.ExtensionTable)
            std::snprintf(cell, sizeof cell, "zzz");
        serveLines(row.extensionLines + rest);
        request("TBCR N00127.0.0.1 job");
        EXPECT_EQ(boxes.texts(), Texts{}) << row.id;
        EXPECT_TRUE(globals.SigningActive) << row.id << ": every line read in its place";
        EXPECT_EQ(globals.ExtensionCount, row.count) << row.id;
        for (size_t k = 0; k < row.cells.size(); ++k)
            ASSERT_STREQ(globals.ExtensionTable[k], row.cells[k].c_str()) << row.id << ", cell " << k + 1;
        if (row.cells.size() < 99) {
            EXPECT_STREQ(globals.ExtensionTable[row.cells.size()], "zzz") << row.id << ": no cell beyond the count";
        }
        closeDocument();
    }

    // After a count of -1 the station asks for the table again.
    serve(host::Handshake{});
    request("TBCR N00127.0.0.1 job");
    EXPECT_EQ(lineTraffic().back().substr(0, 6), "TBRR 1");
    EXPECT_EQ(globals.ExtensionCount, 5);
}

TEST_F(SigningHandshake, StationIdIsExactly25Characters)
{
    struct Row {
        const char* id;
        char column6;
        const char* computerName;
        std::string expected;
    };
    const Row rows[] = {
        {"three-letter name", 'Y', "PC1", "PC1" + blanks(22)},
        {"longest name", 'Y', "FRONTDESKNUMBER", "FRONTDESKNUMBER" + blanks(10)},
        {"a name the buffer cannot hold is none", 'Y', "FRONTDESKNUMBER2", blanks(25)},
        {"the connection's address", 'N', "PC1", "127.0.0.1" + blanks(16)},
    };
    for (const Row& row : rows) {
        win::setComputerName(row.computerName);
        serve(host::Handshake{});
        request(std::string("TBCR ") + row.column6 + "00127.0.0.1 rest of\nthe request");
        EXPECT_EQ(lineTraffic().back().substr(6), row.expected + "rest of\nthe request") << row.id;
        EXPECT_EQ(globals.LocalAddress, "127.0.0.1") << row.id;
        closeDocument();
    }
}

TEST_F(SigningHandshake, ModeLineColumnsAndVersion)
{
    struct Row {
        const char* id;
        std::string m;
        std::vector<std::string> boxes;
    };
    const std::string unixOld = "Incompatible protocol version!  (UNIX software requires updating)";
    const std::string pcOld = "Incompatible protocol version!  (PC software requires updating)";
    const std::string columns = "M: 0000010000000000";
    const Row rows[] = {
        {"version 9", columns + "9", {}},
        {"version 09", columns + "09", {}},
        {"version \" 9\"", columns + " 9", {}},
        {"version 9 then a carriage return", columns + "9\r", {}},
        {"version 10", columns + "10", {pcOld}},
        {"version 8", columns + "8", {unixOld}},
        {"19 characters: no version", columns, {unixOld}},
        {"shorter", "M: 00000", {unixOld}},
        {"no M: line", "N: 00000100000000009", {"Invalid response from server (1)."}},
    };
    const Texts rest = {"P:/usr/docs/inv100.pdf", "C:", "S:", "T:C:\\Signed\\inv100.pdf", "X:", "+OK"};
    for (const Row& row : rows) {
        globals.ExtensionCount = 0;
        serveLines(Texts{row.m} + rest);
        request("TBCR N00127.0.0.1 job");
        EXPECT_EQ(boxes.texts(), row.boxes) << row.id;
        EXPECT_EQ(globals.SigningActive, row.boxes.empty()) << row.id;
        EXPECT_EQ(form_config->ClientSocket.Active(), row.boxes.empty()) << row.id;
        closeDocument();
    }

    // Every column is stored before the version is looked at.
    struct Columns {
        const char* m;
        bool resultToHost, unattended, silentSave, confirmPrint;
        int printMode, printCopies;
        bool openAfterSave, textMode, overwrite;
        int approvalLines;
        bool hostSide, padMessage;
        int imageFormat, imageHeight;
    };
    const Columns stored[] = {
        {"M:x1111371114115064"
         "10",
         true, true, true, true, 3, 7, true, true, true, 4, true, true, 5, 64},
        {"M: 0000000000000000"
         "8",
         false, false, false, false, 0, 0, false, false, false, 0, false, false, 0, 0},
        {"M: 0000001000000 12"
         "8",
         false, false, true, false, 0, 0, true, false, false, 0, false, false, 0, 12},
        {"M: 0010000000000001"
         "8",
         false, false, true, false, 0, 0, false, false, false, 0, false, false, 0, 1},
        {"M: 00x0:0000000A000"
         "8",
         false, false, true, false, 10, 0, false, false, false, 0, false, false, 17, 0},
    };
    for (const Columns& row : stored) {
        globals.ExtensionCount = 0;
        serveLines({row.m});
        request("TBCR N00127.0.0.1 job");
        EXPECT_EQ(globals.ResultToHost, row.resultToHost) << row.m;
        EXPECT_EQ(globals.Unattended, row.unattended) << row.m;
        EXPECT_EQ(globals.SilentSave, row.silentSave) << row.m;
        EXPECT_EQ(globals.ConfirmPrint, row.confirmPrint) << row.m;
        EXPECT_EQ(globals.PrintMode, row.printMode) << row.m;
        EXPECT_EQ(globals.PrintCopies, row.printCopies) << row.m;
        EXPECT_EQ(globals.OpenAfterSave, row.openAfterSave) << row.m;
        EXPECT_EQ(globals.TextMode, row.textMode) << row.m;
        EXPECT_EQ(globals.OverwriteTarget, row.overwrite) << row.m;
        EXPECT_EQ(globals.ApprovalLineCount, row.approvalLines) << row.m;
        EXPECT_EQ(globals.HostSideSigning, row.hostSide) << row.m;
        EXPECT_EQ(globals.PadMessageEnabled, row.padMessage) << row.m;
        EXPECT_EQ(globals.ImageFormatCode, row.imageFormat) << row.m;
        EXPECT_EQ(globals.ImageHeight, row.imageHeight) << row.m;
        EXPECT_EQ(boxes.texts().size(), 1u) << row.m << ": refused for its version";
        boxes.clear();
    }
}

TEST_F(SigningHandshake, EachMissingLineHasItsMessage)
{
    install.write("C:\\Stylara\\plist", std::string("Laser B") + blanks(43) + "LASER PRINTER\r\n");
    host::Handshake full;
    full.m.mode = '4';
    full.m.hostSideSigning = true;
    full.m.padMessage = true;
    full.m.approvalLines = 1;
    full.approvalLines = {"Total due: $125.40"};
    // X1, M, C (printer), %SRP, P, C, S, T, X, O, L, final
    const Texts lines = full.linesFor("TBRR 1");
    ASSERT_EQ(lines.size(), 12u);
    auto replaced = [&](size_t index, const std::string& by) {
        Texts changed = lines;
        changed[index] = by;
        return changed;
    };
    host::Handshake wide = full;
    wide.extensions = numberedExtensions(67);
    const Texts wideLines = wide.linesFor("TBRR 1"); // X1, X2, X3, M ...

    struct Row {
        const char* id;
        Texts reply;
        End end;
        Texts boxes;
        bool succeeds;
    };
    const Row rows[] = {
        {"X1:", replaced(0, "X0:05"), End::Stay, {"Invalid response from server.  Update UNIX software."}, false},
        {"X2:",
         Texts{wideLines[0], "X3:"} + Texts(wideLines.begin() + 2, wideLines.end()),
         End::Stay,
         {"Invalid response from server. (E2)"},
         false},
        {"X3:",
         Texts{wideLines[0], wideLines[1], "X2:"} + Texts(wideLines.begin() + 3, wideLines.end()),
         End::Stay,
         {"Invalid response from server. (E3)"},
         false},
        {"M:", replaced(1, "m:000"), End::Stay, {"Invalid response from server (1)."}, false},
        {"printer C:", replaced(2, "P:/usr/docs/inv100.pdf"), End::Stay, {"Invalid response from server (3p)."}, false},
        {"%SRP", replaced(3, "%SRQ0000000000100200"), End::Stay, {"Invalid response from server (3s)."}, false},
        {"%SRP of 19 characters",
         replaced(3, "%SRP000000000010020"),
         End::Stay,
         {"Invalid response from server (3s)."},
         false},
        {"P:", replaced(4, "p:/usr/docs/inv100.pdf"), End::Stay, {"Invalid response from server (3)."}, false},
        {"C:", replaced(5, "S:"), End::Stay, {"Invalid response from server (4)."}, false},
        {"S:", replaced(6, "C:"), End::Stay, {"Invalid response from server (4s)."}, false},
        {"T:", replaced(7, "X:"), End::Stay, {"Invalid response from server (4t)."}, false},
        {"X:", replaced(8, "O:"), End::Stay, {"Invalid response from server (4x)."}, false},
        {"O:", replaced(9, "L:"), End::Stay, {"Invalid response from server (3V)."}, false},
        {"L:", replaced(10, "+OK"), End::Stay, {"Invalid response from server (5P)."}, false},
        {"a - line ends with the host's text alone",
         replaced(4, "-Document is locked"),
         End::Stay,
         {"Document is locked"},
         false},
        {"a ! line stands for the line it replaces",
         replaced(4, "!Check the printer"),
         End::Stay,
         {"Check the printer", "Invalid response from server (3)."},
         false},
        {"a ! final line is only shown",
         replaced(11, "!Last document today"),
         End::Stay,
         {"Last document today"},
         true},
        {"the host closes after M:",
         Texts(lines.begin(), lines.begin() + 2),
         End::Close,
         {"Invalid response from server (3p)."},
         false},
        {"the host closes after the greeting",
         {},
         End::Close,
         {"Invalid response from server.  Update UNIX software."},
         false},
    };
    for (const Row& row : rows) {
        globals.ExtensionCount = -1;
        const size_t before = host->connections(Service::Line).size();
        serveLines(row.reply, row.end);
        request("TBCR N00127.0.0.1 job");
        EXPECT_EQ(boxes.texts(), row.boxes) << row.id;
        for (const ui::Box& box : boxes.boxes()) {
            if (box.caption.rfind("Stylara - ", 0) != 0) { // the host's own lines have their own
                EXPECT_EQ(box.caption, "Norvane Stylara - Error") << row.id;
            }
        }
        EXPECT_EQ(globals.SigningActive, row.succeeds) << row.id;
        EXPECT_EQ(form_adobe->isVisible(), row.succeeds) << row.id;
        if (!row.succeeds) {
            EXPECT_FALSE(form_config->ClientSocket.Active()) << row.id;
            EXPECT_TRUE(host->waitForEnded(Service::Line, before + 1)) << row.id << ": the line connection is closed";
        }
        closeDocument();
    }

    // The greeting alone is compared whole; a line connection that cannot be made ends at once.
    struct Greeting {
        const char* id;
        std::function<void()> arrange;
        const char* box;
    };
    const Greeting greetings[] = {
        {"greeting with a blank", [&] { host->setGreeting(host::lines({"+TBUS "})); },
         "Incorrect server response on port 6070!"},
        {"greeting with a carriage return", [&] { host->setGreeting(host::lines({"+TBUS\r"})); },
         "Incorrect server response on port 6070!"},
        {"no line service", [&] { host->refuse(Service::Line, true); }, "Error connecting to 127.0.0.1"},
    };
    for (const Greeting& row : greetings) {
        row.arrange();
        serve(full);
        request("TBCR N00127.0.0.1 job");
        EXPECT_EQ(boxes.texts(), Texts{row.box}) << row.id;
        EXPECT_EQ(boxes.boxes()[0].caption, "Norvane Stylara - Error") << row.id;
        EXPECT_FALSE(form_config->ClientSocket.Active()) << row.id;
        EXPECT_FALSE(globals.SigningActive) << row.id;
        host->setGreeting(host::lines({"+TBUS"}));
        host->refuse(Service::Line, false);
        boxes.clear();
    }
    EXPECT_TRUE(fileCommands().empty()) << "no document is fetched for a failed handshake";
}

TEST_F(SigningHandshake, PrinterDescriptionLineAndPrintAndClose)
{
    install.write("C:\\Stylara\\plist", std::string("Laser B") + blanks(43) + "FRONTDESK\r\n");
    struct Row {
        char mode;
        const char* target;
        const char* printer;
        bool staysOpen;
    };
    const Row rows[] = {
        {'4', "C:\\Out4\\inv.pdf", "Laser B", true},
        {'3', "C:\\Out3\\inv.pdf", "Laser B", false},
        {'2', "C:\\Out2\\inv.pdf", "", false},
    };
    for (const Row& row : rows) {
        const size_t jobs = printed.jobs().size();
        const size_t fetches = fileCommands().size();
        host::Handshake reply;
        reply.m.mode = row.mode;
        reply.m.textMode = true;
        reply.m.printMode = 1;
        reply.printerDescription = "FRONTDESK";
        reply.targetPath = row.target;
        serve(reply);
        request("TBCR N11127.0.0.1 job");
        const std::string id(1, row.mode);
        EXPECT_EQ(boxes.texts(), Texts{}) << id;
        EXPECT_EQ(globals.DocumentPrinter, row.printer) << id;
        EXPECT_EQ(printed.jobs().size(), jobs + 1) << id << ": printed on arrival";
        EXPECT_EQ(globals.SigningActive, row.staysOpen) << id;
        EXPECT_EQ(form_adobe->isVisible(), row.staysOpen) << id;
        EXPECT_EQ(form_config->ClientSocket.Active(), row.staysOpen) << id;
        EXPECT_EQ(install.exists(std::string(row.target).substr(0, 7)), row.staysOpen) << id;
        const Texts all = fileCommands();
        const Texts fetched(all.begin() + static_cast<long>(fetches), all.end());
        const Texts expected = row.staysOpen ? Texts{"TBGF 1/usr/docs/inv100.pdf\n", "TBGF 1/usr/docs/inv100.txt\n"}
                                             : Texts{"TBGF 1/usr/docs/inv100.txt\n"};
        EXPECT_EQ(fetched, expected) << id << ": no PDF for print and close";
        if (!row.staysOpen) {
            expectPadScreen("pad_welcome.png", id + ": the pad is never prepared");
            EXPECT_FALSE(install.exists("C:\\Stylara\\Temp\\source.pdf")) << id;
        }
        closeDocument();
    }
}

TEST_F(SigningHandshake, ApprovalPromptsAndPadMessage)
{
    struct Row {
        const char* id;
        Texts lines;
        std::array<std::string, 3> expected;
        const char* picture;
    };
    const Row rows[] = {
        {"one line", {"Total due: $125.40"}, {"Total due: $125.40", "", ""}, "pad_approval.png"},
        {"five lines: the last lands in the third",
         {"one", "two", "three", "four", "five"},
         {"one", "two", "five"},
         nullptr},
    };
    for (const Row& row : rows) {
        host::Handshake reply;
        reply.m.approvalLines = static_cast<int>(row.lines.size());
        reply.approvalLines = row.lines;
        reply.m.padMessage = true;
        reply.padMessage = "Sign for Norvane";
        serve(reply);
        request("TBCR N00127.0.0.1 job");
        EXPECT_EQ(boxes.texts(), Texts{}) << row.id;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(globals.ApprovalLines[i], row.expected[static_cast<size_t>(i)]) << row.id << i;
        EXPECT_EQ(globals.PadMessageText, "Sign for Norvane") << row.id;
        EXPECT_TRUE(globals.ApprovalShowing) << row.id;
        EXPECT_TRUE(form_waiting->isVisible()) << row.id;
        if (row.picture)
            expectPadScreen(row.picture, row.id);
        closeDocument();
    }
}

TEST_F(SigningHandshake, HostSideSigningFetchesNoPdfAndRunsMinimised)
{
    for (const bool text : {false, true}) {
        const size_t fetches = fileCommands().size();
        host::Handshake reply;
        reply.m.hostSideSigning = true;
        reply.m.textMode = text;
        reply.control = host::controlLine(0, 123, 45);
        serve(reply);
        request("TBCR N10127.0.0.1 job");
        const std::string id = text ? "text" : "PDF";
        EXPECT_EQ(boxes.texts(), Texts{}) << id;
        EXPECT_EQ(globals.SignatureBoxX, 123) << id;
        EXPECT_EQ(globals.SignatureBoxY, 45) << id;
        const Texts all = fileCommands();
        const Texts fetched(all.begin() + static_cast<long>(fetches), all.end());
        EXPECT_EQ(fetched, text ? Texts{"TBGF 1/usr/docs/inv100.txt\n"} : Texts{}) << id;
        EXPECT_FALSE(globals.AcrobatLoaded) << id << ": nothing to show";
        EXPECT_TRUE(globals.Unattended) << id;
        EXPECT_TRUE(form_adobe->isMinimized()) << id;
        EXPECT_FALSE(form_adobe->but_print->isEnabled()) << id;
        EXPECT_FALSE(form_adobe->Print1->isEnabled()) << id;
        EXPECT_TRUE(globals.SigningActive) << id;
        closeDocument();
    }
}

TEST_F(SigningHandshake, WithoutThePdfApplicationTheDisplayIsSwitchedOffForGood)
{
    acrobat::FactoryOverride factory;
    factory.fail("AcroExch.App");
    serve(host::Handshake{});
    request("TBCR N00127.0.0.1 job");
    EXPECT_EQ(boxes.texts(), Texts{"Unable to load Acrobat!  (Only Acrobat Reader installed?)"});
    EXPECT_FALSE(globals.DisplayPdf);
    EXPECT_NE(install.read("C:\\Stylara\\tablet.ini").find("DISPLAY=0"), std::string::npos);
    EXPECT_TRUE(globals.Unattended);
    EXPECT_TRUE(form_adobe->isMinimized());
    EXPECT_FALSE(form_adobe->but_print->isEnabled());
    EXPECT_TRUE(globals.SigningActive);
    expectPadScreen("pad_signing.png");

    // The next document is not shown either, and the PDF application is not asked for again.
    closeDocument();
    serve(host::Handshake{});
    request("TBCR N00127.0.0.1 job");
    EXPECT_EQ(boxes.texts(), Texts{});
    EXPECT_EQ(factory.attempts().size(), 1u);
}

TEST_F(SigningHandshake, APdfThatCannotBeShownEndsTheHandshake)
{
    struct Row {
        const char* id;
        std::string document; // the host's file; empty: the file service is down
        Texts boxes;
    };
    const Row rows[] = {
        {"not fetched", "", {"Error connecting to 127.0.0.1", "Local PDF file does not exist!"}},
        {"not a PDF", "plain text, no PDF", {"Acrobat could not open the file: C:\\Stylara\\Temp\\unsigned.pdf"}},
    };
    for (const Row& row : rows) {
        boxes.clear();
        const size_t lines = host->connections(Service::Line).size();
        host->refuse(Service::File, row.document.empty());
        if (!row.document.empty())
            writeHostFile("/usr/docs/inv100.pdf", row.document);
        serve(host::Handshake{});
        request("TBCR N00127.0.0.1 job");
        EXPECT_EQ(boxes.texts(), row.boxes) << row.id;
        EXPECT_TRUE(host->waitForEnded(Service::Line, lines + 1)) << row.id << ": the line connection is closed";
        EXPECT_FALSE(form_config->ClientSocket.Active()) << row.id;
        EXPECT_FALSE(globals.SigningActive) << row.id;
        EXPECT_FALSE(form_adobe->isVisible()) << row.id;
        EXPECT_FALSE(globals.ApprovalShowing) << row.id << ": the pad is not prepared";
    }
}

TEST_F(SigningHandshake, AStillOpenLineConnectionIsUsedAgain)
{
    // Opened before the request; its greeting is still unread, so the handshake reads it there.
    ASSERT_TRUE(ConnectClientSocket("127.0.0.1", host->linePort()));
    ASSERT_TRUE(host->waitFor([](auto& records) { return records.size() == 1; }));
    serve(host::Handshake{});
    request("TBCR N00127.0.0.1 job");
    EXPECT_EQ(boxes.texts(), Texts{});
    EXPECT_EQ(lineTraffic(), Texts{"TBRR 1127.0.0.1" + blanks(16) + "job\n"}) << "no second connection";
    EXPECT_TRUE(globals.SigningActive);
    EXPECT_TRUE(form_config->ClientSocket.Active());
}

TEST_F(SigningHandshake, TargetDirectories)
{
    install.write("C:\\Blocked", "a file where a folder should be");
    struct Row {
        const char* id;
        const char* target;
        bool resultToHost;
        const char* folder; // made, or with made = false: not made
        bool made;
        Texts boxes;
    };
    const Row rows[] = {
        {"every level", "C:\\Signed\\2024\\May\\inv.pdf", false, "C:\\Signed\\2024\\May", true, {}},
        {"result to the host", "D:\\Host\\inv.pdf", true, "D:\\Host", false, {}},
        {"no directory part", "inv.pdf", false, "C:\\inv.pdf", false, {}},
        {"cannot be made: the road goes on",
         "C:\\Blocked\\inv.pdf",
         false,
         "C:\\Blocked\\inv.pdf",
         false,
         {"Unable to create directories to specified file."}},
    };
    for (const Row& row : rows) {
        host::Handshake reply;
        reply.targetPath = row.target;
        reply.m.resultToHost = row.resultToHost;
        serve(reply);
        request("TBCR N00127.0.0.1 job");
        EXPECT_EQ(boxes.texts(), row.boxes) << row.id;
        EXPECT_EQ(install.exists(row.folder), row.made) << row.id;
        EXPECT_TRUE(globals.SigningActive) << row.id;
        closeDocument();
    }
}

TEST_F(SigningHandshake, TargetsNeverLeaveTheDrives)
{
    namespace fs = std::filesystem;
    // A name of this test's own, so a folder made in the wrong place cannot be another's.
    const std::string own = fs::path(install.root()).filename().string() + "-target";
    struct Row {
        std::string target; // the "T:" line's text
        std::string folder; // where its folders are made
    };
    const Row rows[] = {
        {"\\tmp\\" + own + "\\sub\\a.pdf", "C:\\tmp\\" + own + "\\sub"},
        {"C:\\..\\..\\..\\" + own + "\\a.pdf", "C:\\" + own},
        {"relative\\dir\\a.pdf", "C:\\Stylara\\Temp\\relative\\dir"},
    };
    for (const Row& row : rows) {
        host::Handshake reply;
        reply.targetPath = row.target;
        serve(reply);
        request("TBCR N00127.0.0.1 job");
        EXPECT_EQ(boxes.texts(), Texts{}) << row.target;
        EXPECT_TRUE(install.exists(row.folder)) << row.target;
        closeDocument();
    }
    EXPECT_FALSE(fs::exists("/tmp/" + own));
    EXPECT_FALSE(fs::exists(fs::path(install.root()).parent_path() / own));
    std::vector<std::string> sandbox;
    for (const auto& entry : fs::directory_iterator(install.root()))
        sandbox.push_back(entry.path().filename().string());
    std::sort(sandbox.begin(), sandbox.end());
    EXPECT_EQ(sandbox, (Texts{"drives", "run", "system.reg"})) << "nothing beside the drives";
}

TEST_F(SigningHandshake, TextDocument)
{
    globals.TextBold = true;
    globals.TextSize = 14;
    host::Handshake reply;
    reply.m.textMode = true;
    serve(reply);
    request("TBCR N10127.0.0.1 job");
    EXPECT_EQ(boxes.texts(), Texts{});
    EXPECT_EQ(fileCommands(), (Texts{"TBGF 0/usr/docs/inv100.pdf\n", "TBGF 1/usr/docs/inv100.txt\n"}))
        << "the text is what the signer sees, the PDF what is signed";
    EXPECT_EQ(form_adobe->re_text->toPlainText().toStdString(), "INVOICE 100\nTotal due: $125.40\n");
    EXPECT_TRUE(form_adobe->re_text->font().bold());
    EXPECT_EQ(form_adobe->re_text->font().pointSize(), 14);
    EXPECT_TRUE(form_adobe->re_text->isVisible());
    EXPECT_TRUE(form_adobe->but_print->isEnabled());
    EXPECT_TRUE(globals.SigningActive);
    closeDocument();

    // A text that did not arrive is not put before the signer.
    globals.TextBold = false;
    reply.textPath = "/usr/docs/missing.txt";
    serve(reply);
    request("TBCR N10127.0.0.1 job");
    EXPECT_EQ(boxes.texts(),
              (Texts{"Specified UNIX file does not exist", "Could not load the text document: /usr/docs/missing.txt"}));
    EXPECT_EQ(boxes.boxes()[1].caption, "Norvane Stylara - Error");
    EXPECT_FALSE(form_adobe->re_text->font().bold());
    EXPECT_FALSE(globals.SigningActive);
    EXPECT_FALSE(form_adobe->isVisible());
    EXPECT_FALSE(form_config->ClientSocket.Active());
}

TEST_F(SigningHandshake, EightBitHostTextReachesTheSignerAsWritten)
{
    // The host writes in the PC's code page: its text, its approval lines and its reply texts.
    host::Handshake reply;
    reply.m.textMode = true;
    reply.m.printMode = 1;
    reply.m.approvalLines = 1;
    reply.approvalLines = {"Gesamt f\xfcr M\xfcller: 12,00 \x80"};
    writeHostFile("/usr/docs/inv100.txt", "Kunde: M\xfcller\r\nStra\xdf"
                                          "e 5\r\n");
    serve(reply);
    request("TBCR N00127.0.0.1 job");
    EXPECT_EQ(boxes.texts(), Texts{});
    EXPECT_EQ(form_adobe->re_text->toPlainText(), QString::fromUtf8("Kunde: Müller\nStraße 5\n"));
    EXPECT_TRUE(form_waiting->memo->toPlainText().contains(QString::fromUtf8("Gesamt für Müller: 12,00 €")));
    ASSERT_FALSE(printed.jobs().empty());
    EXPECT_EQ(printed.sheetHeads().back(), "Kunde: M\xfcller") << "printed as the host wrote it";
    closeDocument();
}

TEST_F(SigningHandshake, AutomaticPrint)
{
    struct Row {
        int printMode;
        int approvalLines;
        bool printed;
    };
    const Row rows[] = {{1, 1, true}, {2, 0, true}, {2, 1, false}, {3, 0, false}, {0, 0, false}};
    for (const Row& row : rows) {
        const size_t jobs = printed.jobs().size();
        host::Handshake reply;
        reply.m.textMode = true;
        reply.m.printMode = row.printMode;
        reply.m.approvalLines = row.approvalLines;
        reply.approvalLines = Texts(static_cast<size_t>(row.approvalLines), "Total due");
        serve(reply);
        request("TBCR N00127.0.0.1 job");
        EXPECT_EQ(printed.jobs().size(), jobs + (row.printed ? 1 : 0))
            << "print mode " << row.printMode << ", " << row.approvalLines << " approval lines";
        if (row.printed) {
            EXPECT_EQ(printed.sheetHeads().back(), "INVOICE 100");
        }
        closeDocument();
    }
}
