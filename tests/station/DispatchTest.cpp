// The listener's read event: the request words and flag columns, a signing that gives way to a new
// request, and requests that come in while a box of another one is open.
#include "RoadFixture.h"
#include "host/PcRequest.h"
#include "signing/Adobe_form.h"
#include "station/Config_form.h"
#include "station/Globals.h"

using host::End;
using host::Service;
using Texts = std::vector<std::string>;

namespace {
const char* const pdfNotice = "Another signature request was received.  The current document will be discarded.";
const char* const viewNotice =
    "A view signed PDF document request was received.  The current session will be canceled.";
} // namespace

class Dispatch : public RoadFixture {
protected:
    // A signing open on the window: a PDF to sign, or a signature image to deliver.
    void openSigning(bool image)
    {
        host::Handshake reply;
        if (image) {
            reply.m.imageFormat = 1;
            reply.documentPath = "C:\\Images\\sig";
        }
        serve(reply);
        request("TBCR N00127.0.0.1 job");
        ASSERT_TRUE(globals.SigningActive);
        ASSERT_EQ(globals.ImageFormatCode, image ? 1 : 0);
        boxes.clear();
    }
};

TEST_F(Dispatch, RequestWordsAndFlagColumns)
{
    struct Row {
        const char* id;
        std::string text;
        Texts boxes;
    };
    const Row rows[] = {
        {"lower case word", "tbcr N00127.0.0.1 job", {"Invalid data received on port 6070"}},
        {"word without its blank", "TBCRN00127.0.0.1 job", {"Invalid data received on port 6070"}},
        {"the word alone, short", "TBT", {"Invalid data received on port 6070"}},
        {"column 6", "TBCR X00127.0.0.1 job", {"Stylara UNIX software requires updating! (1)"}},
        {"column 6 missing", "TBCR ", {"Stylara UNIX software requires updating! (1)"}},
        {"column 7", "TBCR N20127.0.0.1 job", {"Stylara UNIX software requires updating! (2)"}},
        {"column 8", "TBCR N0y127.0.0.1 job", {"Stylara UNIX software requires updating! (2b)"}},
        {"no blank after the host", "TBCR N01127.0.0.1", {}},
        {"view: column 6",
         "TBTR n127.0.0.1 /u/signed/inv100.pdf",
         {"Stylara UNIX software requires updating! (1)"}},
        {"view: no blank", "TBTR N127.0.0.1/u/signed/inv100.pdf", {}},
    };
    for (const Row& row : rows) {
        boxes.clear();
        globals.UseComputerName = true;
        globals.HostSideSigning = true;
        globals.FetchTextFlag = true;
        globals.FetchPdfFlag = true;
        request(row.text);
        EXPECT_EQ(boxes.texts(), row.boxes) << row.id;
        for (const ui::Box& box : boxes.boxes()) {
            EXPECT_EQ(box.caption, "Norvane Stylara") << row.id;
            EXPECT_EQ(box.icon(), "error") << row.id;
        }
        EXPECT_EQ(ui::lastWindowBroughtToFront(), form_adobe) << row.id;
        // A request that is refused or dropped leaves an open signing's mode and digits as they were.
        EXPECT_TRUE(globals.UseComputerName) << row.id;
        EXPECT_TRUE(globals.HostSideSigning) << row.id;
        EXPECT_TRUE(globals.FetchTextFlag) << row.id;
        EXPECT_TRUE(globals.FetchPdfFlag) << row.id;
    }
    EXPECT_TRUE(host->connections().empty()) << "none of them reaches the host";
}

TEST_F(Dispatch, AnOpenSigningGivesWayToANewRequest)
{
    writeHostFile("/u/signed/inv100.pdf", hostPdf);
    struct Row {
        const char* id;
        bool image;
        std::string request;
        Texts boxes;
        bool signingAfter;
    };
    const Row rows[] = {
        {"PDF signing, signature request", false, "TBCR N00127.0.0.1 job", {pdfNotice}, true},
        {"image signing, signature request", true, "TBCR N00127.0.0.1 job", {}, true},
        {"PDF signing, view request", false, "TBTR N127.0.0.1 /u/signed/inv100.pdf", {viewNotice}, false},
        {"image signing, view request", true, "TBTR N127.0.0.1 /u/signed/inv100.pdf", {viewNotice}, false},
    };
    for (const Row& row : rows) {
        openSigning(row.image);
        const size_t lines = host->connections(Service::Line).size();
        const size_t opened = shell.opened().size();
        if (row.signingAfter)
            serve(host::Handshake{});
        request(row.request);
        EXPECT_EQ(boxes.texts(), row.boxes) << row.id;
        for (const ui::Box& box : boxes.boxes())
            EXPECT_EQ(box.icon(), "warning") << row.id;
        EXPECT_TRUE(host->waitForEnded(Service::Line, lines)) << row.id << ": the old document's connection is closed";
        EXPECT_EQ(globals.SigningActive, row.signingAfter) << row.id;
        EXPECT_EQ(form_adobe->isVisible(), row.signingAfter) << row.id;
        EXPECT_EQ(host->connections(Service::Line).size(), lines + (row.signingAfter ? 1 : 0)) << row.id;
        EXPECT_EQ(shell.opened().size(), opened + (row.signingAfter ? 0 : 1)) << row.id;
        if (!row.signingAfter) {
            expectPadScreen("pad_welcome.png", row.id);
        }
        globals.CloseWithoutAsking = true;
        form_adobe->Close();
    }

    // A request that is dropped for want of a blank leaves the signing alone.
    openSigning(false);
    request("TBCR N00127.0.0.1");
    EXPECT_EQ(boxes.texts(), Texts{});
    EXPECT_TRUE(globals.SigningActive);
    EXPECT_TRUE(form_adobe->isVisible());
    EXPECT_TRUE(form_config->ClientSocket.Active());
}

TEST_F(Dispatch, EachDeliveryOfASplitRequestIsARequestOfItsOwn)
{
    writeHostFile("/u/signed/inv100.pdf", hostPdf);
    struct Row {
        const char* id;
        std::string first, second;
        Texts boxes;
        size_t opened; // views the shell was asked to open
    };
    const Row rows[] = {
        {"the rest alone is no request", "TBCR N00127.0.0.1", " job42", {"Invalid data received on port 6070"}, 0},
        {"the rest begins with a request word", "TBCR N00127.0.0.1", "TBTR N127.0.0.1 /u/signed/inv100.pdf", {}, 1},
    };
    for (const Row& row : rows) {
        boxes.clear();
        const size_t opened = shell.opened().size();
        host::PcRequest connection("127.0.0.1", pcPort);
        for (const std::string& part : {row.first, row.second}) {
            const int before = dispatched;
            connection.send(part);
            ASSERT_TRUE(testing_support::waitUntil([&] { return dispatched > before; })) << row.id << ": " << part;
        }
        EXPECT_EQ(boxes.texts(), row.boxes) << row.id;
        EXPECT_EQ(shell.opened().size(), opened + row.opened) << row.id;
        EXPECT_FALSE(globals.SigningActive) << row.id;
    }
    EXPECT_TRUE(host->connections(Service::Line).empty()) << "no handshake was begun";
}

// Every test below lets a second request in while a box of the first is open, as the box's own loop
// does, and checks what each of them leaves.
TEST_F(Dispatch, AHandshakeWaitingInAWarningGivesWayToTheNewer)
{
    host::Handshake first;
    first.finalLine = "!Last document today";
    serve(first);
    host::Handshake second;
    second.documentPath = "/usr/docs/second.pdf";
    writeHostFile("/usr/docs/second.pdf", hostPdf);
    boxes.onBox = [&](const ui::Box& box) {
        if (box.text == "Last document today") {
            boxes.onBox = nullptr;
            serve(second);
            request("TBCR N00127.0.0.1 second");
        }
    };
    request("TBCR N00127.0.0.1 first");
    EXPECT_EQ(boxes.texts(), Texts{"Last document today"});
    ASSERT_EQ(host->connections(Service::Line).size(), 2u);
    EXPECT_TRUE(host->waitForEnded(Service::Line, 1)) << "the older handshake's connection is closed";
    EXPECT_FALSE(host->connections(Service::Line)[1].ended) << "the newer one's stays for its document";
    EXPECT_TRUE(form_config->ClientSocket.Active());
    EXPECT_EQ(fileCommands(), Texts{"TBGF 0/usr/docs/second.pdf\n"}) << "the older one fetches nothing";
    EXPECT_EQ(globals.HostDocumentPath, "/usr/docs/second.pdf");
    EXPECT_TRUE(globals.SigningActive);
}

TEST_F(Dispatch, AnOlderHandshakesFailureLeavesTheNewerConnectionOpen)
{
    struct Row {
        const char* id;
        Texts reply;
        End end;
        const char* box;
    };
    Texts badPath = host::Handshake{}.linesFor("TBRR 1");
    badPath[2] = "Q:/usr/docs/inv100.pdf";
    const Row rows[] = {
        {"a missing line", badPath, End::Stay, "Invalid response from server (3)."},
        {"a receive that fails", {}, End::Reset, "PROBLEM!  Closing socket!"},
    };
    for (const Row& row : rows) {
        globals.ExtensionCount = -1;
        boxes.clear();
        serveLines(row.reply, row.end);
        boxes.onBox = [&](const ui::Box& box) {
            if (box.text == row.box) {
                boxes.onBox = nullptr;
                serve(host::Handshake{});
                request("TBCR N00127.0.0.1 second");
            }
        };
        request("TBCR N00127.0.0.1 first");
        EXPECT_EQ(boxes.texts(), Texts{row.box}) << row.id;
        EXPECT_TRUE(form_config->ClientSocket.Active()) << row.id;
        EXPECT_TRUE(globals.SigningActive) << row.id;
        EXPECT_FALSE(host->connections(Service::Line).back().ended) << row.id;
        globals.CloseWithoutAsking = true;
        form_adobe->Close();
    }
}

TEST_F(Dispatch, AViewWaitingInABoxLeavesTheNewerCopyAlone)
{
    writeHostFile("/u/old/inv100.pdf", "%PDF-1.4\n% Some other writer\n% Halvenor \n");
    writeHostFile("/u/signed/inv100.pdf", hostPdf);
    boxes.onBox = [&](const ui::Box& box) {
        if (box.text == "The specified PDF file cannot be processed by this program...") {
            boxes.onBox = nullptr;
            request("TBTR N127.0.0.1 /u/signed/inv100.pdf");
        }
    };
    request("TBTR N127.0.0.1 /u/old/inv100.pdf");
    EXPECT_EQ(boxes.texts(), Texts{"The specified PDF file cannot be processed by this program..."});
    ASSERT_EQ(shell.opened().size(), 1u);
    EXPECT_EQ(shell.opened()[0].file, "C:\\Stylara\\Temp\\inv100.pdf");
    EXPECT_EQ(tempFiles(), Texts{"inv100.pdf"}) << "the copy the shell opened stays";
    EXPECT_EQ(install.read("C:\\Stylara\\Temp\\inv100.pdf"), hostPdf);
}
