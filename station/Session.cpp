#include "station/Socket_shared.h"
#include "Session.h"

#include "Config_form.h"
#include "Globals.h"
#include "Init.h"
#include "Ports.h"
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

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

using namespace ui;

namespace {

int latestRequest = 0;
// Handshakes that have begun and not ended; while a request is dispatched, every one of them waits in a box.
int handshakesRunning = 0;

const char* const errorCaption = "Norvane Stylara - Error";
const char* const unixTooOld = "Incompatible protocol version!  (UNIX software requires updating)";

// A decimal number as the host writes it: leading blanks and a sign allowed, up to the first non-digit;
// no digits give 0.
int decimal(const std::string& text)
{
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

// Up to length characters of the reply line from a 0-based index; fewer where the line ends before.
std::string replyPart(size_t from, size_t length)
{
    const std::string line = globals.ReplyLine;
    return from < line.size() ? line.substr(from, length) : std::string();
}

bool replyStarts(const char* prefix) { return std::strncmp(globals.ReplyLine, prefix, std::strlen(prefix)) == 0; }

// The text of a reply line: what follows its two-character prefix.
std::string replyText() { return replyPart(2, std::string::npos); }

// Items first to last of an extension line into their cells; item first stands at the 0-based index start.
void storeExtensions(int first, int last, size_t start)
{
    for (int item = first; item <= last; ++item) {
        const std::string text = replyPart(start + 3 * static_cast<size_t>(item - first), 3);
        char* cell = globals.ExtensionTable[item - 1];
        std::memset(cell, 0, 4);
        std::memcpy(cell, text.data(), text.size());
    }
}

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

    bool expect(const char* prefix, const char* message)
    {
        if (!read())
            return false;
        return replyStarts(prefix) || refuse(message, true);
    }

    bool greet()
    {
        BringWindowToFront(form_adobe);
        globals.CloseWithoutAsking = false;
        globals.DocumentSigned = false;
        net::ClientSocket& line = form_config->ClientSocket;
        if (!line.Active() && !ConnectClientSocket(m_host, HostLinePort())) {
            MessageBox("Error connecting to " + m_host, errorCaption, MB_OK | MB_ICONERROR);
            return false;
        }
        if (!read())
            return false;
        if (std::strcmp(globals.ReplyLine, "+TBUS") != 0)
            return refuse("Incorrect server response on port 6070!", false);
        globals.LocalAddress = line.LocalAddress();
        const bool firstRequest = globals.ExtensionCount == -1;
        SendLine(std::string(firstRequest ? "TBRR 1" : "TBRR 0") + StationId(globals.UseComputerName, globals.LocalAddress) + m_rest);
        if (!read())
            return false;
        return !firstRequest || extensions();
    }

    bool extensions()
    {
        if (!replyStarts("X1:"))
            return refuse("Invalid response from server.  Update UNIX software.", true);
        const int count = decimal(replyPart(3, 2));
        globals.ExtensionCount = count;
        storeExtensions(1, std::min(count, 33), 5);
        if (count > 33) {
            if (!expect("X2:", "Invalid response from server. (E2)"))
                return false;
            storeExtensions(34, std::min(count, 66), 3);
        }
        if (count > 66) {
            if (!expect("X3:", "Invalid response from server. (E3)"))
                return false;
            storeExtensions(67, std::min(count, 99), 3);
        }
        return read();
    }

    bool modeLine()
    {
        if (!replyStarts("M:"))
            return refuse("Invalid response from server (1).", true);
        const std::string m = globals.ReplyLine;
        if (m.size() < 19)
            return refuse(unixTooOld, true);
        auto column = [&m](int col) { return static_cast<unsigned char>(m[static_cast<size_t>(col - 1)]); };
        auto flag = [&](int col) { return column(col) != '0'; };
        auto digit = [&](int col) { return column(col) - '0'; };
        globals.ResultToHost = flag(4);
        globals.Unattended = flag(5);
        globals.SilentSave = flag(6);
        m_printAndClose = column(6) == '2' || column(6) == '3';
        m_printerLine = column(6) == '3' || column(6) == '4';
        globals.ConfirmPrint = flag(7);
        globals.PrintMode = digit(8);
        globals.PrintCopies = digit(9);
        globals.OpenAfterSave = flag(10);
        if (globals.OpenAfterSave)
            globals.SilentSave = true;
        globals.TextMode = flag(11);
        globals.OverwriteTarget = flag(12);
        globals.ApprovalLineCount = digit(13);
        globals.HostSideSigning = flag(14);
        globals.PadMessageEnabled = flag(15);
        globals.ImageFormatCode = digit(16);
        globals.ImageHeight = decimal(m.substr(16, 3));
        const int version = decimal(m.substr(19));
        if (version > 9)
            return refuse("Incompatible protocol version!  (PC software requires updating)", true);
        if (version < 9)
            return refuse(unixTooOld, true);
        return true;
    }

    bool replies()
    {
        if (!modeLine())
            return false;
        globals.SignatureBoxX = 0;
        globals.SignatureBoxY = 0;
        globals.DocumentPrinter.clear();
        if (m_printerLine) {
            if (!expect("C:", "Invalid response from server (3p)."))
                return false;
            const std::string description = replyText();
            LoadPrinterDescriptions();
            std::string printer = FindCustomPrinter(description);
            if (over())
                return false;
            while (!printer.empty() && printer.back() == ' ')
                printer.pop_back();
            globals.DocumentPrinter = printer;
        }
        if (globals.HostSideSigning) {
            if (!read())
                return false;
            if (!replyStarts("%SRP") || std::strlen(globals.ReplyLine) < 20)
                return refuse("Invalid response from server (3s).", true);
            globals.SignatureBoxX = decimal(replyPart(14, 3));
            globals.SignatureBoxY = decimal(replyPart(17, 3));
        }
        if (!expect("P:", "Invalid response from server (3)."))
            return false;
        (globals.ImageFormatCode == 0 ? globals.HostDocumentPath : globals.ImageTargetPath) = replyText();
        if (!expect("C:", "Invalid response from server (4).") || !expect("S:", "Invalid response from server (4s).") ||
            !expect("T:", "Invalid response from server (4t)."))
            return false;
        globals.TargetPath = replyText();
        if (!targetDirectories())
            return false;
        if (!expect("X:", "Invalid response from server (4x)."))
            return false;
        globals.HostTextPath = replyText();
        globals.PadMessageText.clear();
        if (globals.PadMessageEnabled) {
            if (!expect("O:", "Invalid response from server (3V)."))
                return false;
            globals.PadMessageText = replyText();
        }
        for (std::string& line : globals.ApprovalLines)
            line.clear();
        for (int i = 0; i < globals.ApprovalLineCount; ++i) {
            if (!expect("L:", "Invalid response from server (5P)."))
                return false;
            globals.ApprovalLines[std::min(i, 2)] = replyText();
        }
        return read(); // the final line, whatever it holds
    }

    // The folders of a Windows target are made before the signing, so the result has somewhere to go.
    bool targetDirectories()
    {
        if (m_printAndClose || globals.ResultToHost)
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
        if (!m_printAndClose && !globals.HostSideSigning && globals.ImageFormatCode == 0) {
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
        if (m_printAndClose) {
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
    bool m_printAndClose = false; // "M:" col 6 "2" or "3"
    bool m_printerLine = false;   // "M:" col 6 "3" or "4"
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
