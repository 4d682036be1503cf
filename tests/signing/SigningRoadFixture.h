#pragma once

#include "TestSupport.h"
#include "acrobat/Acrobat.h"
#include "host/HostSimulator.h"
#include "host/PdfMaker.h"
#include "print/InstalledPrinters.h"
#include "print/Printer.h"
#include "print/RecordingDevice.h"
#include "signing/Adobe_form.h"
#include "signing/Sig.h"
#include "signing/Sig_view.h"
#include "sigplus/SigPlus.h"
#include "station/Config_form.h"
#include "station/Forms.h"
#include "station/Globals.h"
#include "station/Socket_io.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "win/Files.h"
#include "win/Shell.h"
#include "win/Sound.h"
#include "win/System.h"
#include "win/WinPath.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

// The station in-process with every form created as at start, against the host simulator on
// loopback. beginSigning() leaves the station as the signing handshake does once a request has been
// taken: the request's members filled, the line connection open after the greeting, the document in
// Temp and on view, the signing window up and the pad prepared. The signer then works the pad
// through its pen API. Boxes, sounds, shell opens and print jobs are recorded.
class SigningRoad : public ::testing::Test {
protected:
    // The view that notes every file it is asked to show, and fails the signed one when told to.
    class WatchedView : public CAcroAVDoc {
    public:
        explicit WatchedView(SigningRoad& road) : m_road(road) {}
        short OpenInWindowEx(const std::wstring& path, QWidget* window, std::int32_t openFlags,
                             std::int32_t useOpenParams, std::int32_t pageNumber, short pageMode, short zoomType,
                             std::int32_t zoom, short top, short left) override
        {
            const std::string opened = QString::fromStdWString(path).toStdString();
            m_road.shownInView.push_back(opened);
            if (m_road.refuseSignedView && opened == m_road.signedPdf)
                return 0;
            return CAcroAVDoc::OpenInWindowEx(path, window, openFlags, useOpenParams, pageNumber, pageMode, zoomType,
                                              zoom, top, left);
        }

    private:
        SigningRoad& m_road;
    };

    void SetUp() override
    {
        ResetGlobals();
        ui::setScreenCursor(ui::Cursor::Default);
        win::setInstantSleep(true);
        setenv("STYLARA_PC_PORT", std::to_string(testing_support::freePort()).c_str(), 1);
        host = std::make_unique<host::HostSimulator>(hostFolder.path().toStdString());
        setenv("STYLARA_FILE_PORT", std::to_string(host->filePort()).c_str(), 1);
        setenv("STYLARA_HOST_PORT", std::to_string(host->linePort()).c_str(), 1);
        print::resetPrinter();
        print::setInstalledPrinters(std::vector<std::string>{"Laser A"});
        views.makeAVDoc = [this] { return std::make_unique<WatchedView>(*this); };
        CreateForms();
        ASSERT_NE(form_adobe, nullptr);
        ASSERT_TRUE(globals.TabletPresent);
        boxes.clear();
    }
    void TearDown() override
    {
        DestroyForms();
        print::setInstalledPrinters(std::nullopt);
        print::resetPrinter();
        win::setInstantSleep(false);
        unsetenv("STYLARA_PC_PORT");
        unsetenv("STYLARA_FILE_PORT");
        unsetenv("STYLARA_HOST_PORT");
    }

    // A request to sign the PDF, its result copied to a Windows target, with the host's extension
    // table listing pdf; tests change the members they are about before beginSigning().
    void pdfRequest()
    {
        // The handshake fills every request member anew.
        globals.ResultToHost = false;
        globals.Unattended = false;
        globals.SilentSave = false;
        globals.ConfirmPrint = false;
        globals.PrintMode = 0;
        globals.OpenAfterSave = false;
        globals.TextMode = false;
        globals.OverwriteTarget = false;
        globals.ApprovalLineCount = 0;
        globals.PadMessageEnabled = false;
        globals.ImageHeight = 0;
        globals.ImageFormatCode = 0;
        globals.HostSideSigning = false;
        globals.HostDocumentPath = "/u/docs/inv100.pdf";
        globals.TargetPath = "C:\\Docs\\Inv100.pdf";
        globals.DisplayPdf = true;
        globals.ExtensionCount = 1;
        std::strcpy(globals.ExtensionTable[0], "pdf");
    }
    void imageRequest(int code, const std::string& imageTarget)
    {
        pdfRequest();
        globals.ImageFormatCode = code;
        globals.ImageTargetPath = imageTarget;
        globals.HostDocumentPath.clear();
    }
    void hostSideRequest()
    {
        pdfRequest();
        globals.HostSideSigning = true;
        globals.ResultToHost = true;
        globals.SignatureBoxX = 100;
        globals.SignatureBoxY = 200;
        globals.TargetPath = "/u/signed/inv100.pdf";
    }

    void beginSigning(const host::PdfOptions& pdf = {})
    {
        globals.HostAddress = "127.0.0.1";
        globals.CloseWithoutAsking = false;
        globals.DocumentSigned = false;
        ASSERT_TRUE(ConnectClientSocket("127.0.0.1", host->linePort()));
        ASSERT_TRUE(ReadReplyLine());
        ASSERT_STREQ(globals.ReplyLine, "+TBUS");
        globals.LocalAddress = form_config->ClientSocket.LocalAddress();

        // The handshake makes the folders of a Windows target.
        if (!globals.ResultToHost && !win::directoryPart(globals.TargetPath).empty())
            win::forceDirectories(win::directoryPart(globals.TargetPath));
        const bool signsPdf = globals.ImageFormatCode == 0 && !globals.HostSideSigning;
        if (signsPdf) {
            install.write(globals.TempDir + "\\unsigned.pdf", host::MakeHostPdf(pdf));
            globals.UnsignedPdfPath = globals.TempDir + "\\unsigned.pdf";
        }
        if (globals.TextMode) {
            form_adobe->re_text->setPlainText("INVOICE 100\nTotal 12.00\n");
        } else if (globals.DisplayPdf && signsPdf) {
            if (!globals.AcrobatLoaded)
                LoadAcrobat();
            ASSERT_TRUE(globals.AcrobatLoaded);
            ASSERT_TRUE(OpenPdfInView(globals.UnsignedPdfPath));
        }
        form_adobe->but_save->setEnabled(false);
        globals.SigningActive = true;
        pad().ClearTablet();
        if (globals.HostSideSigning || (!globals.TextMode && !globals.DisplayPdf))
            globals.Unattended = true;
        form_adobe->show();
        globals.ApprovalPassed = false;
        PrepareTablet();
        boxes.clear();
    }

    TSigPlus& pad() { return *form_adobe->SigPlus1; }
    bool lcdBlank()
    {
        for (int y = 0; y < sigplus::Lcd::Height; ++y)
            for (int x = 0; x < sigplus::Lcd::Width; ++x)
                if (pad().lcd().lit(x, y))
                    return false;
        return true;
    }

    // Pen work on the pad, in LCD pixels: a signature in the writing box, and the touch areas.
    void sign()
    {
        pad().penDown({30, 40});
        for (const QPointF& point : {QPointF(45, 20), QPointF(60, 45), QPointF(80, 18), QPointF(100, 44)})
            pad().penMove(point);
        pad().penUp();
        pad().penDown({120, 30});
        pad().penMove({150, 36});
        pad().penUp();
    }
    void touch(double x, double y)
    {
        pad().penDown({x, y});
        pad().penUp();
    }
    void touchOk() { touch(205, 40); }
    void touchCancelOrClear() { touch(205, 24); }

    // What the host's connections of a service received, joined in order; file transfers are taken
    // once the host has done with them all, so none is read half way.
    std::string hostReceived(host::Service service) const
    {
        if (service == host::Service::File) {
            EXPECT_TRUE(host->waitForIdle(host::Service::File)) << "a file transfer did not end";
        }
        std::string all;
        for (const host::ConnectionRecord& record : host->connections(service))
            all += record.received;
        return all;
    }
    std::string hostFile(const std::string& hostPath) const { return host->storedFile(hostPath).value_or(""); }
    // Where the host keeps a stored file, once every store has ended so the file is whole.
    std::string storedPath(const std::string& hostPath) const
    {
        EXPECT_TRUE(host->waitForIdle(host::Service::File)) << "a store did not end: " << hostPath;
        return host->localPath(hostPath);
    }
    // Waits until the host has done with as many file transfers as given.
    void waitForTransfers(size_t count) { ASSERT_TRUE(host->waitForEnded(host::Service::File, count)); }

    testing_support::TempInstall install;
    QTemporaryDir hostFolder;
    std::unique_ptr<host::HostSimulator> host;
    testing_support::WatchedBoxes boxes;
    win::SoundRecorder sounds;
    win::ShellRecorder shell;
    print::RecordingDevice printed;
    acrobat::FactoryOverride views;
    std::vector<std::string> shownInView;
    bool refuseSignedView = false;
    const std::string signedPdf = "C:\\Stylara\\Temp\\signed.pdf";
};
