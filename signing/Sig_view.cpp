#include "Sig_view.h"

#include "Adobe_form.h"
#include "Panel.h"
#include "acrobat/Acrobat.h"
#include "print/Printer.h"
#include "sigplus/SigPlus.h"
#include "station/Globals.h"
#include "station/Init.h"
#include "station/Loading_form.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "win/Files.h"

#include <QPlainTextEdit>
#include <QStringList>
#include <QTextBlock>

#include <algorithm>
#include <vector>

using namespace ui;

namespace {
// The lock text handed to the PDF application, made on the first open and kept for the run.
std::wstring lockText;

std::wstring wide(const std::string& text) {
    return QString::fromLocal8Bit(text.c_str()).toStdWString();
}

// The lines of the text view as the class library counts them: an empty last line is no line, so an
// empty view has none.
std::vector<std::string> textLines(const QPlainTextEdit& view) {
    QStringList lines = view.toPlainText().split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    std::vector<std::string> result;
    for (const QString& line : lines)
        result.push_back(line.toLocal8Bit().toStdString());
    return result;
}

bool printQuestion() {
    BringWindowToFront(form_adobe);
    const bool noName = globals.DefaultPrinter.empty() || globals.DefaultPrinter == "NONE";
    const std::string start = globals.Unattended ? "Print the document on the " : "Print this document on the ";
    const std::string question =
        noName ? start + "default printer?" : start + "\"" + globals.DefaultPrinter + "\" printer?";
    return MessageBox(question, "Norvane Stylara", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void printText() {
    print::Printer& printer = print::printer();
    int copiesLoop = 1;
    if (globals.AskForPrinter) {
        form_adobe->PrintDialog1.setCopies(globals.PrintCopies);
        form_adobe->PrintDialog1.setCollate(true);
        if (!form_adobe->PrintDialog1.execute(form_adobe))
            return; // the caller puts back the cursor and clears the status line
        form_adobe->repaint();
    } else {
        if (!globals.DocumentPrinter.empty()) {
            const std::vector<std::string> names = printer.printers();
            for (size_t i = 0; i < names.size(); ++i)
                if (names[i] == globals.DocumentPrinter) printer.setPrinterIndex(static_cast<int>(i));
        }
        form_adobe->PrintDialog1.setCopies(1);
        // A request's copies digit below 1 would draw no sheet at all: one copy is printed.
        copiesLoop = std::max(1, globals.PrintCopies);
    }

    const std::vector<std::string> lines = textLines(*form_adobe->re_text);
    const int count = static_cast<int>(lines.size());
    // Fewer than one line per page would never get through the text: it all goes on one sheet.
    const int linesPerPage = globals.LinesPerPage >= 1 ? globals.LinesPerPage : std::max(1, count);
    const int x = globals.LeftMargin * 10;
    const int top = globals.TopMargin * 10;
    printer.canvas().setFont(form_adobe->re_text->font());
    const int lineHeight = printer.canvas().textHeight("W");
    printer.title = "Norvane Stylara";

    printer.beginDoc();
    int page = 1;
    bool newSheet = false;
    int last = 0;
    do {
        for (int copy = 0; copy < copiesLoop; ++copy) {
            if (newSheet) printer.newPage();
            newSheet = true;
            const int first = (page - 1) * linesPerPage;
            last = std::min(first + linesPerPage, count);
            for (int i = first, k = 0; i < last; ++i, ++k)
                printer.canvas().textOut(x, top + k * lineHeight, lines[i]);
        }
        ++page;
    } while (count > last);
    printer.endDoc();
}
} // namespace

void LoadAcrobat() {
    globals.AcrobatLoaded = false;
    form_adobe->SigPlus1->LCDRefresh(0, 0, 0, 240, 64);
    if (!globals.Unattended) {
        form_loading->show();
        form_loading->repaint();
    }
    form_adobe->AcroApp = acrobat::CreateAcroApp("AcroExch.App");
    if (!form_adobe->AcroApp) {
        BringWindowToFront(form_adobe);
        MessageBox("Unable to load Acrobat!  (Only Acrobat Reader installed?)", "Norvane Stylara",
                   MB_OK | MB_ICONERROR);
        form_loading->hide();
        return;
    }
    form_adobe->AcroAVDoc = acrobat::CreateAcroAVDoc("AcroExch.AVDoc");
    if (!form_adobe->AcroAVDoc) {
        BringWindowToFront(form_adobe);
        MessageBox("Unable to load Acrobat! (2)", "Norvane Stylara", MB_OK | MB_ICONERROR);
        form_loading->hide();
        return;
    }
    form_loading->hide();
    globals.AcrobatLoaded = true;
}

bool OpenPdfInView(const std::string& path) {
    if (globals.TextMode) return false;
    if (lockText.empty()) lockText = wide("Norvane Stylara");
    if (!win::fileExists(path)) {
        BringWindowToFront(form_adobe);
        MessageBox("Local PDF file does not exist!", "Norvane Stylara", MB_OK | MB_ICONERROR);
        return false;
    }
    if (!globals.AcrobatLoaded || !form_adobe->AcroApp || !form_adobe->AcroAVDoc) return false;
    form_adobe->AcroAVDoc->Close(0);
    form_adobe->AcroApp->Lock(lockText);
    short opened = 0;
    try {
        opened = form_adobe->AcroAVDoc->OpenInWindowEx(wide(path), form_adobe->Panel1, 2, 0, 0, 0, 0, 0, 0, 0);
    } catch (...) {
        form_adobe->AcroApp->Unlock(lockText);
        throw;
    }
    form_adobe->AcroApp->Unlock(lockText);
    if (opened == 0) {
        BringWindowToFront(form_adobe);
        MessageBox("Acrobat could not open the file: " + path, "Norvane Stylara", MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

void PrintDocument(bool ask) {
    long pageCount = 0;
    if (!globals.TextMode) {
        if (!form_adobe->AcroAVDoc) {
            BringWindowToFront(form_adobe);
            MessageBox("No PDF or text document is available to print.", "Stylara - Error", MB_OK | MB_ICONERROR);
            return;
        }
        std::unique_ptr<CAcroPDDoc> document = form_adobe->AcroAVDoc->GetPDDoc();
        if (!document) {
            MessageBox("Error loading document information!", "Error", MB_OK | MB_ICONERROR);
            return;
        }
        pageCount = document->GetNumPages();
        document->Close();
    }
    form_adobe->SetStatusText("Printing document...");
    const bool dialogInstead = globals.TextMode && globals.AskForPrinter;
    if (ask && !dialogInstead && !printQuestion()) {
        form_adobe->SetStatusText("");
        return;
    }
    setScreenCursor(Cursor::Hourglass);
    if (!globals.TextMode) {
        // Every page once: the copies of a request are for text documents.
        form_adobe->AcroAVDoc->PrintPages(0, pageCount - 1, 2, 1, 1);
    } else {
        printText();
    }
    setScreenCursor(Cursor::Default);
    form_adobe->SetStatusText("");
}
