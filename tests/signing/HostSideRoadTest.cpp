// Host-side signing: the strokes go to the host as the path file "sign.nvq", and "TBAS " asks the host
// to draw them into its document.
#include "SigningRoadFixture.h"
#include "signing/Sig_delivery.h"
#include "signing/Sig_pdf.h"

#include <regex>

using host::Reply;

namespace {

class HostSideRoad : public SigningRoad {};

const char* hostPathFile = "/usr/lib/norvane/tablet/temp/s127001";

} // namespace

TEST_F(HostSideRoad, PathFileAndTbasLineReachTheHostAndTheWindowCloses)
{
    hostSideRequest();
    globals.FetchPdfFlag = false;
    globals.OverwriteTarget = true;
    beginSigning();
    ASSERT_TRUE(globals.Unattended);
    sign();
    // A stroke that begins where the last one ended opens with its second point.
    pad().penDown({150, 36});
    pad().penMove({170, 20});
    pad().penUp();
    const SigStrokes strokes = ReadPadStrokes(pad());
    ASSERT_EQ(strokes.size(), 3u);
    touchOk();

    EXPECT_EQ(boxes.texts(), std::vector<std::string>{});
    EXPECT_EQ(globals.HostSignaturePath, hostPathFile);
    waitForTransfers(1);
    EXPECT_EQ(host->connections(host::Service::File)[0].received.rfind(std::string("TBSF 0") + hostPathFile + "\n", 0),
              0u);
    const std::string pathFile = hostFile(hostPathFile);
    EXPECT_EQ(pathFile, StrokePathLines(100, 200, strokes)) << "placed by the box of the host's control line";
    // Plain lines of the two path operators, LF only, one per kept point and nothing else.
    const std::regex line(R"([ \-0-9]{2}[0-9]*\.[0-9]{3} [ \-0-9]{2}[0-9]*\.[0-9]{3} [ml] )");
    size_t lines = 0, moves = 0;
    for (size_t start = 0; start < pathFile.size(); ++lines) {
        const size_t end = pathFile.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        const std::string text = pathFile.substr(start, end - start);
        EXPECT_TRUE(std::regex_match(text, line)) << text;
        if (text.back() == ' ' && text[text.size() - 2] == 'm')
            ++moves;
        start = end + 1;
    }
    EXPECT_EQ(lines, 5u + 2u + 1u) << "the point shared by two strokes is written once";
    EXPECT_EQ(moves, 3u);
    EXPECT_FALSE(install.exists("C:\\Stylara\\Temp\\sign.nvq"));

    ASSERT_TRUE(host->waitFor([](const std::vector<host::ConnectionRecord>& records) {
        return records.front().received.find("TBAS ") != std::string::npos;
    }));
    EXPECT_EQ(host->connections(host::Service::Line)[0].received,
              std::string("TBAS 01/u/docs/inv100.pdf|") + hostPathFile + "|/u/signed/inv100.pdf\n");
    EXPECT_FALSE(form_adobe->isVisible());
    EXPECT_TRUE(globals.DocumentSigned);
    EXPECT_TRUE(globals.CloseWithoutAsking);
    EXPECT_TRUE(sounds.played().empty());
}

TEST_F(HostSideRoad, RepliesToTbas)
{
    struct Row {
        const char* id;
        Reply reply;
        std::vector<std::string> boxes;
        bool lineOpen;
    };
    const std::string failed = "Error adding signature on UNIX!";
    const Row rows[] = {
        {"AS0", host::lines({"AS0"}), {}, true},
        {"+TBUS then AS0", host::lines({"+TBUS", "AS0"}), {}, true},
        {"AS0 and a blank", host::lines({"AS0 "}), {failed}, true},
        {"lower case", host::lines({"as0"}), {failed}, true},
        {"host error line", host::lines({"-Document is locked"}), {"Document is locked"}, false},
        {"+TBUS then an error line", host::lines({"+TBUS", "-No such file"}), {"No such file"}, false},
    };
    hostSideRequest();
    for (const Row& row : rows) {
        host->script("TBAS ", row.reply);
        if (!form_config->ClientSocket.Active())
            beginSigning();
        boxes.clear();
        SendAddSignature();
        EXPECT_EQ(boxes.texts(), row.boxes) << row.id;
        if (!row.boxes.empty()) {
            EXPECT_EQ(boxes.boxes()[0].caption, row.lineOpen ? "Norvane Stylara - Error" : "Stylara - Error") << row.id;
            EXPECT_EQ(boxes.boxes()[0].icon(), "error") << row.id;
        }
        EXPECT_EQ(form_config->ClientSocket.Active(), row.lineOpen) << row.id;
    }
}

TEST_F(HostSideRoad, PathFileThatDoesNotReachTheHostIsNotAdded)
{
    struct Row {
        const char* id;
        std::vector<std::string> boxes;
    };
    const Row rows[] = {
        {"file service refused", {"Error connecting to 127.0.0.1", "Error saving signature to UNIX!"}},
        {"path file cannot be created", {"Could not create temp file for signature save!"}},
    };
    for (const Row& row : rows) {
        const bool refused = row.boxes.size() == 2;
        host->refuse(host::Service::File, refused);
        if (!refused)
            std::filesystem::create_directories(install.native("C:\\Stylara\\Temp\\sign.nvq"));
        hostSideRequest();
        beginSigning();
        sign();
        touchOk();
        EXPECT_EQ(boxes.texts(), row.boxes) << row.id;
        EXPECT_EQ(boxes.boxes().back().caption, refused ? "Stylara - Error" : "Error") << row.id;
        if (refused) {
            EXPECT_FALSE(install.exists("C:\\Stylara\\Temp\\sign.nvq")) << row.id;
        }
        EXPECT_EQ(hostReceived(host::Service::Line).find("TBAS"), std::string::npos)
            << row.id << ": nothing on the host to add";
        EXPECT_FALSE(form_adobe->isVisible()) << row.id << ": the road goes on to the close";
        std::filesystem::remove_all(install.native("C:\\Stylara\\Temp\\sign.nvq"));
        host->refuse(host::Service::File, false);
    }
}
