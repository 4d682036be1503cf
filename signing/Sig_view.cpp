#include "Sig_view.h"

#include "Adobe_form.h"
#include "Panel.h"
#include "acrobat/Acrobat.h"
#include "print/Printer.h"
#include "print/TextPrint.h"
#include "sigplus/SigPlus.h"
#include "station/Globals.h"
#include "station/Init.h"
#include "station/Loading_form.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "win/CodePage.h"
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
        if (!globals.DocumentPrinter.empty())
            print::selectPrinterByName(printer, globals.DocumentPrinter);
        form_adobe->PrintDialog1.setCopies(1);
        copiesLoop = globals.PrintCopies; // the page loop prints one copy for a digit below 1
    }

    print::printTextPages(printer, print::textLines(form_adobe->re_text->toPlainText()), form_adobe->re_text->font(),
                          "Norvane Stylara",
                          {globals.LinesPerPage, copiesLoop, globals.LeftMargin, globals.TopMargin});
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
    if (lockText.empty())
        lockText = win::wideFromAnsi("Norvane Stylara");
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
        opened =
            form_adobe->AcroAVDoc->OpenInWindowEx(win::wideFromAnsi(path), form_adobe->Panel1, 2, 0, 0, 0, 0, 0, 0, 0);
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
