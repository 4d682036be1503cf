// Signing in the PDF: the signed document on view and saved by the button, the automatic saves,
// the pad's Clear and an OK without a signature, and the print modes.
#include "SigningRoadFixture.h"
#include "signing/Waiting_form.h"

#include <QLabel>
#include <QProcess>

namespace {

const char* styleLine = "0 J 0 j 0.8 w 10 M []0 d\n";

using testing_support::qpdfCheck;

class PdfRoad : public SigningRoad {
protected:
    // A signed PDF as the station delivers it: valid, with the strokes drawn in it.
    void expectSignedPdf(const std::string& nativePath, const std::string& id)
    {
        EXPECT_EQ(qpdfCheck(nativePath), 0) << id;
        const std::string bytes = testing_support::fileContents(nativePath);
        EXPECT_NE(bytes.find(styleLine), std::string::npos) << id << ": the signature block is in it";
        EXPECT_EQ(bytes.find("%SRP"), std::string::npos) << id;
    }
    std::string status() const { return form_adobe->lab_status->text().toStdString(); }
};

} // namespace

TEST_F(PdfRoad, SaveButtonCopiesToAFreeNumberedNameAndReleasesTheLockOfTheNameAsked)
{
    install.write("C:\\Docs\\Inv100.pdf", "signed before");
    install.write("C:\\Docs\\Inv100.nvk", "");
    pdfRequest();
    beginSigning();

    form_adobe->but_saveClick();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Document must be signed before saving.");
    EXPECT_EQ(boxes.boxes()[0].caption, "Note");
    EXPECT_EQ(boxes.boxes()[0].icon(), "warning");
    EXPECT_TRUE(form_adobe->isVisible());
    boxes.clear();

    sign();
    touchOk();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{});
    EXPECT_TRUE(globals.DocumentSigned);
    EXPECT_TRUE(form_adobe->isVisible()) << "the signed document waits for Save";
    EXPECT_TRUE(form_adobe->but_save->isEnabled());
    EXPECT_EQ(form_adobe->focusWidget(), form_adobe->but_save);
    EXPECT_TRUE(pad().isHidden());
    EXPECT_EQ(status(), "");
    EXPECT_EQ(shownInView, (std::vector<std::string>{"C:\\Stylara\\Temp\\unsigned.pdf", signedPdf}));
    ASSERT_EQ(sounds.played().size(), 1u);
    EXPECT_EQ(sounds.played()[0].sound, "C:\\Stylara\\Announce.wav");
    EXPECT_EQ(sounds.played()[0].flags, 0x20011u);
    EXPECT_TRUE(lcdBlank()) << "the pad is reset and blank";
    touchOk();
    EXPECT_EQ(pad().NumberOfTabletPoints(), 0) << "a signed document takes no more pen input";
    EXPECT_TRUE(form_adobe->isVisible());

    form_adobe->but_save->click();
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(globals.TargetPath, "C:\\Docs\\Inv100-0002.pdf");
    expectSignedPdf(install.native("C:\\Docs\\Inv100-0002.pdf"), "numbered copy");
    EXPECT_EQ(install.read("C:\\Docs\\Inv100.pdf"), "signed before");
    EXPECT_FALSE(install.exists("C:\\Docs\\Inv100.nvk"));
    EXPECT_FALSE(form_adobe->isVisible());
    EXPECT_FALSE(form_adobe->but_save->isEnabled());
    EXPECT_FALSE(install.exists(signedPdf)) << "removed by the close";
    EXPECT_TRUE(shell.opened().empty());
    EXPECT_EQ(hostReceived(host::Service::Line).find("TBDL"), std::string::npos);
}

TEST_F(PdfRoad, SaveRetryAfterTheHostCameBackStoresAndReleasesTheLockOnANewLine)
{
    const auto signForTheHost = [this](const std::string& target) {
        pdfRequest();
        globals.ResultToHost = true;
        globals.TargetPath = target;
        beginSigning();
        sign();
        touchOk();
    };
    signForTheHost("/u/signed/inv100.pdf");
    ASSERT_TRUE(form_adobe->but_save->isEnabled());

    // The host goes down while the signed document waits: its line connection ends with it.
    const int linePort = host->linePort();
    const int filePort = host->filePort();
    host.reset();
    form_adobe->but_save->click();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Error connecting to 127.0.0.1"});
    EXPECT_TRUE(form_adobe->isVisible());
    boxes.clear();

    host = std::make_unique<host::HostSimulator>(hostFolder.path().toStdString(), linePort, filePort);
    form_adobe->but_save->click();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{});
    expectSignedPdf(storedPath("/u/signed/inv100.pdf"), "stored on the host");
    ASSERT_EQ(host->connections(host::Service::Line).size(), 1u);
    EXPECT_EQ(hostReceived(host::Service::Line), "TBDL /u/signed/inv100.nvk\n");
    EXPECT_FALSE(form_adobe->isVisible());

    // A host that is still away when the lock is to be released is named, as on any connection.
    signForTheHost("/u/signed/inv101.pdf");
    host->refuse(host::Service::Line, true);
    form_config->ClientSocket.Close();
    form_adobe->but_save->click();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Error connecting to 127.0.0.1"});
    EXPECT_EQ(boxes.boxes()[0].caption, "Norvane Stylara - Error");
    expectSignedPdf(storedPath("/u/signed/inv101.pdf"), "stored before the lock");
    EXPECT_FALSE(form_adobe->isVisible()) << "the document is delivered";
}

TEST_F(PdfRoad, AutomaticSave)
{
    struct Row {
        const char* id;
        bool unattended, silentSave, openAfterSave, overwrite, toHost;
        const char* delivered; // Windows path, or host path when toHost
    };
    const Row rows[] = {
        {"unattended", true, false, false, false, false, "C:\\Docs\\Inv100-0002.pdf"},
        {"silent save", false, true, false, false, false, "C:\\Docs\\Inv100-0002.pdf"},
        {"open after save", false, true, true, false, false, "C:\\Docs\\Inv100-0002.pdf"},
        {"overwrite", true, false, false, true, false, "C:\\Docs\\Inv100.pdf"},
        {"to the host", true, false, false, false, true, "/u/signed/inv100.pdf"},
    };
    size_t transfers = 0;
    for (const Row& row : rows) {
        install.write("C:\\Docs\\Inv100.pdf", "signed before");
        install.write("C:\\Docs\\Inv100.nvk", "");
        pdfRequest();
        globals.Unattended = row.unattended;
        globals.SilentSave = row.silentSave;
        globals.OpenAfterSave = row.openAfterSave;
        globals.OverwriteTarget = row.overwrite;
        globals.ResultToHost = row.toHost;
        if (row.toHost)
            globals.TargetPath = "/u/signed/inv100.pdf";
        const size_t opened = shell.opened().size();
        beginSigning();
        sign();
        touchOk();

        EXPECT_TRUE(boxes.boxes().empty()) << row.id;
        EXPECT_FALSE(form_adobe->isVisible()) << row.id;
        EXPECT_TRUE(globals.DocumentSigned) << row.id;
        EXPECT_TRUE(sounds.played().empty()) << row.id;
        if (row.toHost) {
            waitForTransfers(++transfers);
            EXPECT_EQ(host->connections(host::Service::File).back().received.rfind("TBSF 1/u/signed/inv100.pdf\n", 0),
                      0u)
                << row.id;
            expectSignedPdf(storedPath(row.delivered), row.id);
            EXPECT_NE(host->connections(host::Service::Line).back().received.find("TBDL /u/signed/inv100.nvk\n"),
                      std::string::npos)
                << row.id;
            EXPECT_TRUE(install.exists("C:\\Docs\\Inv100.nvk")) << row.id << ": no local lock for a host result";
        } else {
            expectSignedPdf(install.native(row.delivered), row.id);
            EXPECT_FALSE(install.exists("C:\\Docs\\Inv100.nvk")) << row.id;
        }
        EXPECT_EQ(install.exists(signedPdf), row.openAfterSave) << row.id;
        ASSERT_EQ(shell.opened().size(), opened + (row.openAfterSave ? 1 : 0)) << row.id;
        if (row.openAfterSave) {
            EXPECT_EQ(shell.opened().back().file, signedPdf) << row.id;
        }
        std::filesystem::remove_all(install.native("C:\\Docs"));
        std::filesystem::remove(install.native(signedPdf));
    }
}

TEST_F(PdfRoad, FailedAutomaticSaveKeepsTheSignedDocumentOpen)
{
    struct Row {
        const char* id;
        bool unattended;
        bool toHost;
        const char* box;
    };
    const Row rows[] = {
        {"copy refused, unattended", true, false, "Unable to save signed document to Windows!"},
        {"copy refused, silent save", false, false, "Unable to save signed document to Windows!"},
        {"host store refused", true, true, "Error connecting to 127.0.0.1"},
    };
    for (const Row& row : rows) {
        // A folder in the target's place takes no copy.
        std::filesystem::create_directories(install.native("C:\\Docs\\Inv100.pdf"));
        install.write("C:\\Docs\\Inv100.nvk", "");
        pdfRequest();
        globals.Unattended = row.unattended;
        globals.SilentSave = !row.unattended;
        globals.ResultToHost = row.toHost;
        host->refuse(host::Service::File, row.toHost);
        beginSigning();
        sign();
        touchOk();
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{row.box}) << row.id;
        EXPECT_TRUE(form_adobe->isVisible()) << row.id;
        EXPECT_TRUE(globals.DocumentSigned) << row.id;
        EXPECT_EQ(form_adobe->but_save->isEnabled(), !row.unattended) << row.id << ": Save again where it was offered";
        EXPECT_TRUE(install.exists("C:\\Docs\\Inv100.nvk")) << row.id;
        EXPECT_EQ(hostReceived(host::Service::Line).find("TBDL"), std::string::npos) << row.id;
        EXPECT_EQ(status(), "") << row.id;
        globals.CloseWithoutAsking = true;
        form_adobe->Close();
        host->refuse(host::Service::File, false);
    }
}

TEST_F(PdfRoad, SignedDocumentIsShownOnlyInThePdfView)
{
    struct Row {
        const char* id;
        bool textMode;
        bool displayPdf;
        bool silentSave;
    };
    const Row rows[] = {
        {"text mode", true, true, false},
        {"text mode, silent save", true, true, true},
        {"no PDF view", false, false, false}, // the handshake makes such a request unattended
    };
    for (const Row& row : rows) {
        install.write("C:\\Docs\\Inv100.nvk", "");
        pdfRequest();
        globals.TextMode = row.textMode;
        globals.DisplayPdf = row.displayPdf;
        globals.SilentSave = row.silentSave;
        shownInView.clear();
        beginSigning();
        const bool automaticSave = globals.Unattended || globals.SilentSave;
        sign();
        touchOk();
        EXPECT_EQ(boxes.texts(), std::vector<std::string>{}) << row.id;
        EXPECT_EQ(shownInView, std::vector<std::string>{}) << row.id << ": the view is not reloaded";
        EXPECT_TRUE(globals.DocumentSigned) << row.id;
        EXPECT_EQ(status(), "") << row.id;
        EXPECT_EQ(form_adobe->isVisible(), !automaticSave) << row.id;
        EXPECT_EQ(install.exists("C:\\Docs\\Inv100.nvk"), !automaticSave) << row.id;
        if (automaticSave)
            expectSignedPdf(install.native("C:\\Docs\\Inv100.pdf"), row.id);
        else
            EXPECT_TRUE(form_adobe->but_save->isEnabled()) << row.id;
        globals.CloseWithoutAsking = true;
        form_adobe->Close();
        std::filesystem::remove_all(install.native("C:\\Docs"));
    }
}

TEST_F(PdfRoad, SaveWithNoFreeNumberLeftKeepsTheWindowOpen)
{
    install.write("C:\\Docs\\Inv-9999.pdf", "signed before");
    install.write("C:\\Docs\\Inv-9999.nvk", "");
    pdfRequest();
    globals.TargetPath = "C:\\Docs\\Inv-9999.pdf";
    beginSigning();
    sign();
    touchOk();
    ASSERT_TRUE(form_adobe->but_save->isEnabled());
    form_adobe->but_save->click();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "No further images are available!  File capacity of 9,999 has been reached!");
    EXPECT_EQ(boxes.boxes()[0].icon(), "error");
    EXPECT_EQ(status(), "");
    EXPECT_TRUE(form_adobe->isVisible());
    EXPECT_TRUE(form_adobe->but_save->isEnabled()) << "Save can be pressed again";
    EXPECT_EQ(globals.TargetPath, "C:\\Docs\\Inv-9999.pdf");
    EXPECT_EQ(install.read("C:\\Docs\\Inv-9999.pdf"), "signed before");
    EXPECT_TRUE(install.exists("C:\\Docs\\Inv-9999.nvk")) << "the lock is kept";
    EXPECT_TRUE(install.exists(signedPdf));
}

TEST_F(PdfRoad, OkWithoutSignatureAndClearGiveTheSigningScreenBack)
{
    pdfRequest();
    globals.PadMessageEnabled = true;
    globals.PadMessageText = "Inv 100: 12.00";
    beginSigning();
    const QImage signingScreen = pad().lcd().image();
    const int beeps = ui::beepCount();

    touchOk();
    EXPECT_EQ(ui::beepCount(), beeps + 1);
    EXPECT_EQ(win::lastSleep(), 1000u);
    EXPECT_EQ(pad().lcd().image(), signingScreen) << "the signing screen with its message again";
    EXPECT_EQ(status(), "");
    EXPECT_FALSE(globals.DocumentSigned);
    EXPECT_TRUE(form_adobe->isVisible());

    sign();
    EXPECT_NE(pad().lcd().image(), signingScreen);
    touchCancelOrClear();
    EXPECT_EQ(pad().NumberOfTabletPoints(), 0);
    EXPECT_EQ(pad().lcd().image(), signingScreen) << "ink gone, message written again";

    // A stroke through both touch areas, then a touch on Clear: Clear is asked first and wins.
    pad().penDown({100, 30});
    pad().penMove({205, 40});
    pad().penMove({205, 24});
    pad().penUp();
    touchCancelOrClear();
    EXPECT_FALSE(globals.DocumentSigned);
    EXPECT_EQ(pad().NumberOfTabletPoints(), 0);

    // A touch in the writing box alone changes nothing.
    touch(60, 30);
    EXPECT_FALSE(globals.DocumentSigned);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(ui::beepCount(), beeps + 1);

    sign();
    touchOk();
    EXPECT_TRUE(globals.DocumentSigned) << "the pad still signs after all that";
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(PdfRoad, PrintModeTwoPrintsBetweenApprovalAndSigningScreen)
{
    pdfRequest();
    globals.TextMode = true;
    globals.PrintMode = 2;
    globals.ConfirmPrint = true;
    globals.ApprovalLineCount = 1;
    globals.ApprovalLines[0] = "I agree";
    beginSigning();
    ASSERT_TRUE(globals.ApprovalShowing);
    ASSERT_TRUE(form_waiting->isVisible());
    bool approvalShowing = false, waitingShown = true;
    boxes.onBox = [&](const ui::Box&) {
        approvalShowing = globals.ApprovalShowing;
        waitingShown = form_waiting->isVisible();
    };
    touchOk();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].caption, "Norvane Stylara");
    EXPECT_TRUE(approvalShowing) << "printed before the signing screen";
    EXPECT_FALSE(waitingShown);
    EXPECT_EQ(printed.jobs().size(), 1u);
    EXPECT_FALSE(globals.ApprovalShowing);
    EXPECT_TRUE(pad().isVisible()) << "the signing screen is up";
    EXPECT_EQ(form_adobe->lab_status->text().toStdString(), "Waiting for signature...");
}

TEST_F(PdfRoad, PrintModeThreePrintsAfterSigningBeforeTheDelivery)
{
    enum Mode { Pdf, Image, HostSide };
    struct Row {
        const char* id;
        Mode mode;
        bool deliveredAtPrint; // the image is delivered first thing; the rest after the print
    };
    const Row rows[] = {{"pdf, automatic save", Pdf, false}, {"image", Image, true}, {"host-side", HostSide, false}};
    for (const Row& row : rows) {
        if (row.mode == Image)
            imageRequest(4, "C:\\Images\\sig.bmp");
        else if (row.mode == HostSide)
            hostSideRequest();
        else
            pdfRequest();
        std::filesystem::create_directories(install.native("C:\\Images"));
        globals.Unattended = true;
        globals.TextMode = true;
        globals.PrintMode = 3;
        globals.ConfirmPrint = true;
        const size_t jobs = printed.jobs().size();
        beginSigning();
        bool signedAtPrint = false, openAtPrint = false, deliveredAtPrint = !row.deliveredAtPrint;
        auto delivered = [&] {
            switch (row.mode) {
            case Pdf:
                return install.exists("C:\\Docs\\Inv100.pdf");
            case Image:
                return install.exists("C:\\Images\\sig.bmp");
            case HostSide:
                return hostReceived(host::Service::Line).find("TBAS ") != std::string::npos;
            }
            return true;
        };
        boxes.onBox = [&](const ui::Box&) {
            signedAtPrint = globals.DocumentSigned;
            openAtPrint = form_adobe->isVisible();
            deliveredAtPrint = delivered();
        };
        sign();
        touchOk();
        boxes.onBox = nullptr;
        ASSERT_EQ(boxes.boxes().size(), 1u) << row.id;
        EXPECT_EQ(printed.jobs().size(), jobs + 1) << row.id;
        EXPECT_TRUE(signedAtPrint) << row.id;
        EXPECT_TRUE(openAtPrint) << row.id;
        EXPECT_EQ(deliveredAtPrint, row.deliveredAtPrint) << row.id;
        ASSERT_TRUE(testing_support::waitUntil(delivered)) << row.id;
        EXPECT_FALSE(form_adobe->isVisible()) << row.id;
        std::filesystem::remove_all(install.native("C:\\Docs"));
        std::filesystem::remove_all(install.native("C:\\Images"));
    }
}
