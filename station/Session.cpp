#include "Session.h"
#include "station/Socket_shared.h"

#include "Config_form.h"
#include "Globals.h"
#include "Init.h"
#include "Ports.h"
#include "Replies.h"
#include "Socket_io.h"
#include "signing/Adobe_form.h"
#include "signing/Sig.h"
#include "signing/Sig_view.h"
#include "sigplus/SigPlus.h"
#include "ui/AnsiText.h"
#include "ui/MessageBox.h"
#include "win/Files.h"
#include "win/System.h"

#include <QAction>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

using namespace ui;

namespace {

int latestRequest = 0;
// Handshakes that have begun and not ended; while a request is dispatched, every one of them waits in a box.
int handshakesRunning = 0;

const char* const errorCaption = "Norvane Stylara - Error";

class Handshake {
public:
    Handshake(const std::string& host, const std::string& rest) : m_host(host), m_rest(rest), m_request(latestRequest)
    {
        ++handshakesRunning;
    }
    ~Handshake() { --handshakesRunning; }
    Handshake(const Handshake&) = delete;
    Handshake& operator=(const Handshake&) = delete;

    void run()
    {
        try {
            if (greet() && replies() && fetch() && view()) {
                setUpWindow();
                finish();
            }
        } catch (...) {
            // A send that fails leaves the connection dead: the next request must not take it for open.
            closeAndEnd();
            throw;
        }
    }

private:
    // A newer request came while a box of this one was up: it owns the connection and the window now.
    bool over() const { return RequestSuperseded(m_request); }

    bool closeAndEnd()
    {
        if (!over())
            form_config->ClientSocket.Close();
        return false;
    }

    bool refuse(const std::string& message, bool front)
    {
        if (front)
            BringWindowToFront(form_adobe);
        MessageBox(message, errorCaption, MB_OK | MB_ICONERROR);
        return closeAndEnd();
    }

    bool read()
    {
        const bool read = ReadReplyLine();
        if (over())
            return false;
        return read || closeAndEnd();
    }

    bool greet()
    {
        BringWindowToFront(form_adobe);
        globals.CloseWithoutAsking = false;
        globals.DocumentSigned = false;
        net::ClientSocket& line = form_config->ClientSocket;
        // The window came to the front above, so the box needs no second bring-to-front.
        if (!line.Active() && !ConnectToHost(line, m_host, HostLinePort(), nullptr, errorCaption))
            return false;
        if (!take())
            return false;
        globals.LocalAddress = line.LocalAddress();
        SendLine(std::string(m_extensionsAsked ? "TBRR 1" : "TBRR 0") +
                 StationId(globals.UseComputerName, globals.LocalAddress) + m_rest);
        return true;
    }

    // Reads the next reply line into the record; false when the handshake ends there.
    bool take()
    {
        if (!read())
            return false;
        if (m_replies.Take(globals.ReplyLine) == HandshakeReplies::Outcome::Refused)
            return refuse(m_replies.Refusal(), m_replies.RefusalFront());
        return true;
    }

    // The reply lines after "TBRR", with the steps that come between them.
    bool replies()
    {
        do {
            if (!take())
                return false;
            if (m_replies.Taken() == HandshakeReplies::Line::PrinterC && !choosePrinter())
                return false;
            if (m_replies.Taken() == HandshakeReplies::Line::T && !targetDirectories())
                return false;
        } while (m_replies.Taken() != HandshakeReplies::Line::Final);
        return true;
    }

    bool choosePrinter()
    {
        const std::string description = m_replies.Text();
        LoadPrinterDescriptions();
        std::string printer = FindCustomPrinter(description);
        if (over())
            return false;
        while (!printer.empty() && printer.back() == ' ')
            printer.pop_back();
        globals.DocumentPrinter = printer;
        return true;
    }

    // The folders of a Windows target are made before the signing, so the result has somewhere to go.
    bool targetDirectories()
    {
        if (m_replies.PrintAndClose() || globals.ResultToHost)
            return true;
        const size_t end = globals.TargetPath.find_last_of("\\:");
        if (end == std::string::npos)
            return true;
        if (win::forceDirectories(globals.TargetPath.substr(0, end + 1)))
            return true;
        MessageBox("Unable to create directories to specified file.", errorCaption, MB_OK | MB_ICONERROR);
        return !over();
    }

    bool fetch()
    {
        if (!m_replies.PrintAndClose() && !globals.HostSideSigning && globals.ImageFormatCode == 0) {
            FetchHostFile(1, globals.HostDocumentPath);
            if (over())
                return false;
        }
        if (globals.TextMode) {
            m_textFetched = FetchHostFile(0, globals.HostTextPath);
            if (over())
                return false;
        }
        return true;
    }

    bool view()
    {
        if (globals.TextMode) {
            QPlainTextEdit* text = form_adobe->re_text;
            text->clear();
            QFont font = text->font();
            font.setBold(globals.TextBold);
            if (globals.TextSize > 0)
                font.setPointSize(globals.TextSize);
            text->setFont(font);
            // A text that did not arrive whole must not stand before the signer as the document.
            std::string bytes;
            if (!m_textFetched || !win::readWholeFile(globals.SourceTextPath, bytes))
                return refuse("Could not load the text document: " + globals.HostTextPath, true);
            text->setPlainText(documentFromAnsi(bytes));
            return true;
        }
        if (!globals.DisplayPdf || globals.HostSideSigning || globals.ImageFormatCode != 0)
            return true;
        if (!globals.AcrobatLoaded) {
            LoadAcrobat();
            if (over())
                return false;
        }
        if (!globals.AcrobatLoaded) {
            // Without the PDF application the document cannot be shown; the station stops trying for good.
            globals.DisplayPdf = false;
            SaveSettings();
            globals.Unattended = true;
            return true;
        }
        if (OpenPdfInView(globals.UnsignedPdfPath))
            return !over();
        return closeAndEnd();
    }

    void setUpWindow()
    {
        Tform_adobe& window = *form_adobe;
        window.but_save->setEnabled(false);
        globals.SigningActive = true;
        window.SigPlus1->ClearTablet();
        globals.DocumentSigned = false;
        const bool printable = !globals.HostSideSigning && (globals.TextMode || globals.DisplayPdf);
        if (!printable)
            globals.Unattended = true;
        window.but_print->setEnabled(printable);
        window.Print1->setEnabled(printable);
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            window.resize(screen->size());
        window.setWindowState(globals.Unattended ? Qt::WindowMinimized : Qt::WindowMaximized);
        BringWindowToFront(&window);
        window.activateWindow();
        window.show();
        window.repaint();
        window.setFocus();
    }

    void finish()
    {
        if (globals.PrintMode == 1 || (globals.PrintMode == 2 && globals.ApprovalLineCount == 0)) {
            PrintDocument(globals.ConfirmPrint);
            if (over())
                return;
        }
        if (m_replies.PrintAndClose()) {
            globals.CloseWithoutAsking = true;
            form_adobe->Close();
            return;
        }
        globals.ApprovalPassed = false;
        PrepareTablet();
    }

    std::string m_host;
    std::string m_rest;
    int m_request;
    bool m_extensionsAsked = globals.ExtensionCount == -1; // no extension table since start: "TBRR 1"
    HandshakeReplies m_replies{globals, m_extensionsAsked};
    bool m_textFetched = false;
};

} // namespace

void StartSigningSession(const std::string& host, const std::string& rest)
{
    Handshake handshake(host, rest);
    handshake.run();
}

int TakeOnRequest()
{
    ++latestRequest;
    if (handshakesRunning > 0 && form_config && form_config->ClientSocket.Active())
        form_config->ClientSocket.Close();
    return latestRequest;
}

bool RequestSuperseded(int request) { return request != latestRequest; }

int LatestRequest() { return latestRequest; }
