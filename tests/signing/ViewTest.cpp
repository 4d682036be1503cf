#include "SamplePdf.h"
#include "SigningFixture.h"
#include "acrobat/Acrobat.h"
#include "print/PrintDialog.h"
#include "signing/Panel.h"
#include "signing/Sig_view.h"
#include "sigplus/SigPlus.h"
#include "station/Loading_form.h"
#include "win/LibraryError.h"
#include "win/Shell.h"

#include <QPdfDocument>
#include <QPdfView>
#include <QTemporaryDir>

#include <sstream>
#include <stdexcept>

using ui::Box;

namespace {

const char* unsignedPdf = "C:\\Stylara\\Temp\\unsigned.pdf";

class DocumentView : public SigningFixture {
protected:
    void writePdf(const char* path, int pages)
    {
        std::vector<std::vector<std::string>> content;
        for (int page = 1; page <= pages; ++page)
            content.push_back({"INVOICE 100", "page " + std::to_string(page)});
        testing_support::writeSamplePdf(install.native(path), content);
    }
    // The PDF application loaded and the document on view.
    void showPdf(int pages)
    {
        writePdf(unsignedPdf, pages);
        globals.DisplayPdf = true;
        LoadAcrobat();
        ASSERT_TRUE(globals.AcrobatLoaded);
        ASSERT_TRUE(OpenPdfInView(unsignedPdf));
    }
    std::vector<QPdfView*> views() const
    {
        const QList<QPdfView*> found = form_adobe->Panel1->findChildren<QPdfView*>();
        return {found.begin(), found.end()};
    }
};

// The application object that tells what it was locked and unlocked with.
class WatchedApp : public CAcroApp {
public:
    explicit WatchedApp(std::vector<std::wstring>& calls) : m_calls(calls) {}
    bool Lock(const std::wstring& lockedBy) override
    {
        m_calls.push_back(L"lock " + lockedBy);
        return CAcroApp::Lock(lockedBy);
    }
    bool Unlock(const std::wstring& lockedBy) override
    {
        m_calls.push_back(L"unlock " + lockedBy);
        return CAcroApp::Unlock(lockedBy);
    }

private:
    std::vector<std::wstring>& m_calls;
};

// The view object that notes, at each print, its arguments and what the signing window shows then.
class WatchedPrint : public CAcroAVDoc {
public:
    struct Call {
        std::vector<std::int32_t> arguments;
        std::string status;
        ui::Cursor cursor;
    };
    explicit WatchedPrint(std::vector<Call>& calls) : m_calls(calls) {}
    bool PrintPages(std::int32_t firstPage, std::int32_t lastPage, std::int32_t psLevel, std::int32_t binaryOk,
                    std::int32_t shrinkToFit) override
    {
        m_calls.push_back({{firstPage, lastPage, psLevel, binaryOk, shrinkToFit},
                           form_adobe->lab_status->text().toStdString(),
                           ui::screenCursor()});
        return CAcroAVDoc::PrintPages(firstPage, lastPage, psLevel, binaryOk, shrinkToFit);
    }

private:
    std::vector<Call>& m_calls;
};

int litPixels()
{
    int lit = 0;
    for (int y = 0; y < sigplus::Lcd::Height; ++y)
        for (int x = 0; x < sigplus::Lcd::Width; ++x)
            lit += form_adobe->SigPlus1->lcd().lit(x, y);
    return lit;
}

class FailingOpen : public CAcroAVDoc {
public:
    short OpenInWindowEx(const std::wstring&, QWidget*, std::int32_t, std::int32_t, std::int32_t, short, short,
                         std::int32_t, short, short) override
    {
        throw win::LibraryError("Access violation");
    }
};

} // namespace

TEST_F(DocumentView, LoadAcrobatWithTheFactoryFailingOrNot)
{
    struct Row {
        const char* id;
        const char* failing; // ProgID the factory refuses, or nullptr
        bool unattended;
        const char* box;
        std::vector<std::string> attempts;
        bool app;
        bool view;
    };
    const Row rows[] = {
        {"both made", nullptr, false, nullptr, {"AcroExch.App", "AcroExch.AVDoc"}, true, true},
        {"unattended", nullptr, true, nullptr, {"AcroExch.App", "AcroExch.AVDoc"}, true, true},
        {"no application",
         "AcroExch.App",
         false,
         "Unable to load Acrobat!  (Only Acrobat Reader installed?)",
         {"AcroExch.App"},
         false,
         false},
        {"no view",
         "AcroExch.AVDoc",
         false,
         "Unable to load Acrobat! (2)",
         {"AcroExch.App", "AcroExch.AVDoc"},
         true,
         false},
        {"no view, unattended",
         "AcroExch.AVDoc",
         true,
         "Unable to load Acrobat! (2)",
         {"AcroExch.App", "AcroExch.AVDoc"},
         true,
         false},
    };
    for (const Row& row : rows) {
        boxes.clear();
        form_adobe->AcroApp.reset();
        form_adobe->AcroAVDoc.reset();
        globals.AcrobatLoaded = true;
        globals.Unattended = row.unattended;
        form_adobe->SigPlus1->LCDRefresh(1, 0, 0, 240, 64); // every pixel lit
        acrobat::FactoryOverride factory;
        if (row.failing)
            factory.fail(row.failing);
        bool loadingShown = false;
        factory.makeApp = [&] {
            loadingShown = form_loading->isVisible();
            return std::make_unique<CAcroApp>();
        };
        LoadAcrobat();
        EXPECT_EQ(litPixels(), 0) << row.id << ": the pad's screen is cleared first";
        EXPECT_EQ(globals.AcrobatLoaded, row.app && row.view) << row.id;
        EXPECT_EQ(factory.attempts(), row.attempts) << row.id;
        EXPECT_EQ(form_adobe->AcroApp != nullptr, row.app) << row.id;
        EXPECT_EQ(form_adobe->AcroAVDoc != nullptr, row.view) << row.id;
        if (row.app) {
            EXPECT_EQ(loadingShown, !row.unattended) << row.id;
        }
        EXPECT_FALSE(form_loading->isVisible()) << row.id;
        ASSERT_EQ(boxes.boxes().size(), row.box ? 1u : 0u) << row.id;
        if (row.box) {
            EXPECT_EQ(boxes.boxes()[0].text, row.box) << row.id;
            EXPECT_EQ(boxes.boxes()[0].caption, "Norvane Stylara") << row.id;
            EXPECT_EQ(boxes.boxes()[0].icon(), "error") << row.id;
            EXPECT_EQ(ui::lastWindowBroughtToFront(), form_adobe) << row.id;
        }
    }
}

TEST_F(DocumentView, OpenPdfInViewRefusesWithoutLookingOrLoading)
{
    writePdf(unsignedPdf, 1);
    struct Row {
        const char* id;
        bool textMode;
        bool loaded;
        const char* path;
        const char* box;
    };
    const Row rows[] = {
        {"text mode, missing file", true, true, "C:\\Stylara\\Temp\\none.pdf", nullptr},
        {"missing file, not loaded", false, false, "C:\\Stylara\\Temp\\none.pdf", "Local PDF file does not exist!"},
        {"missing file, loaded", false, true, "C:\\Stylara\\Temp\\none.pdf", "Local PDF file does not exist!"},
        {"not loaded", false, false, unsignedPdf, nullptr},
    };
    LoadAcrobat();
    for (const Row& row : rows) {
        boxes.clear();
        globals.TextMode = row.textMode;
        globals.AcrobatLoaded = row.loaded;
        EXPECT_FALSE(OpenPdfInView(row.path)) << row.id;
        EXPECT_TRUE(views().empty()) << row.id;
        ASSERT_EQ(boxes.boxes().size(), row.box ? 1u : 0u) << row.id;
        if (row.box) {
            EXPECT_EQ(boxes.boxes()[0].text, row.box) << row.id;
            EXPECT_EQ(boxes.boxes()[0].caption, "Norvane Stylara") << row.id;
            EXPECT_EQ(boxes.boxes()[0].icon(), "error") << row.id;
        }
    }
}

TEST_F(DocumentView, OpenPdfInViewShowsTheFileAndARefusedOneLeavesTheViewEmpty)
{
    showPdf(2);
    ASSERT_EQ(views().size(), 1u);
    EXPECT_EQ(views()[0]->document()->pageCount(), 2);
    EXPECT_TRUE(boxes.boxes().empty());

    install.write("C:\\Stylara\\Temp\\bad.pdf", "%PDF-1.4\ngarbage\n");
    EXPECT_FALSE(OpenPdfInView("C:\\Stylara\\Temp\\bad.pdf"));
    EXPECT_TRUE(views().empty()) << "the document shown before was closed first";
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Acrobat could not open the file: C:\\Stylara\\Temp\\bad.pdf");
    EXPECT_EQ(boxes.boxes()[0].caption, "Norvane Stylara");
}

TEST_F(DocumentView, OpenPdfInViewUnlocksAlsoWhenTheOpenRaises)
{
    writePdf(unsignedPdf, 1);
    std::vector<std::wstring> calls;
    acrobat::FactoryOverride factory;
    factory.makeApp = [&] { return std::make_unique<WatchedApp>(calls); };
    factory.makeAVDoc = [] { return std::make_unique<FailingOpen>(); };
    LoadAcrobat();
    EXPECT_THROW(OpenPdfInView(unsignedPdf), win::LibraryError);
    EXPECT_EQ(calls, (std::vector<std::wstring>{L"lock Norvane Stylara", L"unlock Norvane Stylara"}));
    EXPECT_FALSE(form_adobe->AcroApp->locked());
}

TEST_F(DocumentView, PrintQuestionNamesTheDefaultPrinter)
{
    struct Row {
        const char* id;
        std::string printer;
        bool unattended;
        std::string question;
    };
    const Row rows[] = {
        {"no name", "", false, "Print this document on the default printer?"},
        {"NONE", "NONE", false, "Print this document on the default printer?"},
        {"a name", "Laser B", false, "Print this document on the \"Laser B\" printer?"},
        {"no name, unattended", "", true, "Print the document on the default printer?"},
        {"NONE, unattended", "NONE", true, "Print the document on the default printer?"},
        {"a name, unattended", "Office 2", true, "Print the document on the \"Office 2\" printer?"},
    };
    showText("one line\n");
    for (const Row& row : rows) {
        boxes.clear();
        globals.DefaultPrinter = row.printer;
        globals.Unattended = row.unattended;
        globals.PrintCopies = 1;
        boxes.queueAnswers({ui::IDNO});
        PrintDocument(true);
        ASSERT_EQ(boxes.boxes().size(), 1u) << row.id;
        const Box& box = boxes.boxes()[0];
        EXPECT_EQ(box.text, row.question) << row.id;
        EXPECT_EQ(box.caption, "Norvane Stylara") << row.id;
        EXPECT_EQ(box.icon(), "question") << row.id;
        EXPECT_EQ(box.flags & 0xF, ui::MB_YESNO) << row.id;
        EXPECT_TRUE(printed.jobs().empty()) << row.id << ": No prints nothing";
        EXPECT_EQ(form_adobe->lab_status->text().toStdString(), "") << row.id;
    }
    boxes.clear();
    PrintDocument(false);
    EXPECT_TRUE(boxes.boxes().empty()) << "ask false asks nothing";
    EXPECT_EQ(printed.jobs().size(), 1u);
}

TEST_F(DocumentView, TextPagesComeOutPageByPageInCopies)
{
    struct Row {
        const char* id;
        int lines;
        int linesPerPage;
        int copies;
        std::vector<std::string> heads; // first line of each sheet
        std::vector<size_t> counts;     // lines on each sheet
    };
    const Row rows[] = {
        {"two pages, 3 copies", 5, 3, 3, {"L1", "L1", "L1", "L4", "L4", "L4"}, {3, 3, 3, 2, 2, 2}},
        {"exact multiple", 6, 3, 1, {"L1", "L4"}, {3, 3}},
        {"no lines", 0, 3, 2, {"", ""}, {0, 0}},
        {"one line over", 61, 60, 2, {"L1", "L1", "L61", "L61"}, {60, 60, 1, 1}},
        // Below one line per page or one copy the page loop would never end or draw nothing.
        {"no lines per page", 5, 0, 1, {"L1"}, {5}},
        {"negative lines per page", 4, -2, 2, {"L1", "L1"}, {4, 4}},
        {"no copies", 5, 3, 0, {"L1", "L4"}, {3, 2}},
        {"negative copies", 2, 3, -3, {"L1"}, {2}},
    };
    globals.AskForPrinter = false;
    globals.LeftMargin = 20;
    globals.TopMargin = 10;
    QFont font = form_adobe->re_text->font();
    font.setPointSize(10); // 60 lines of it fit the sheet
    form_adobe->re_text->setFont(font);
    for (const Row& row : rows) {
        showText(numberedLines(row.lines));
        globals.LinesPerPage = row.linesPerPage;
        globals.PrintCopies = row.copies;
        const size_t before = printed.jobs().size();
        PrintDocument(false);
        ASSERT_EQ(printed.jobs().size(), before + 1) << row.id;
        const auto& job = printed.jobs().back();
        EXPECT_TRUE(job.ended) << row.id;
        EXPECT_EQ(job.job.title, "Norvane Stylara") << row.id;
        EXPECT_EQ(job.job.copies, 1) << row.id << ": the program makes the copies";
        std::vector<std::string> heads;
        std::vector<size_t> counts;
        for (const auto& sheet : job.sheets) {
            heads.push_back(sheet.lines.empty() ? "" : sheet.lines[0].text);
            counts.push_back(sheet.lines.size());
        }
        EXPECT_EQ(heads, row.heads) << row.id;
        EXPECT_EQ(counts, row.counts) << row.id;
    }
}

TEST_F(DocumentView, TextLinesSitAtTheMarginsOneLetterHeightApart)
{
    showText("first\nsecond\nthird\n");
    globals.LeftMargin = 25;
    globals.TopMargin = 7;
    globals.LinesPerPage = 60;
    globals.PrintCopies = 1;
    PrintDocument(false);
    ASSERT_EQ(printed.jobs().size(), 1u);
    const auto& lines = printed.jobs()[0].sheets[0].lines;
    ASSERT_EQ(lines.size(), 3u);
    print::Canvas& canvas = print::printer().canvas();
    canvas.setFont(form_adobe->re_text->font());
    const int height = canvas.textHeight("W");
    EXPECT_GT(height, 40) << "the text view's font on a 600 dpi printer";
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(lines[k].x, 250);
        EXPECT_EQ(lines[k].y, 70 + k * height);
    }
    EXPECT_EQ(lines[1].text, "second");
}

TEST_F(DocumentView, EveryTextLineIsPrintedOnThePaperWhateverTheMargins)
{
    struct Row {
        const char* id;
        int size; // points
        int top;
        int left;
        int linesPerPage;
    };
    const Row rows[] = {
        {"no lines per page at 24 points, top margin above the paper", 24, -30, 20, 0},
        {"60 a page, top margin far above the paper", 11, -200, 20, 60},
        {"left margin left of the paper", 11, 10, -30, 60},
        {"left margin past the paper's right edge", 11, 10, 999, 60},
    };
    std::vector<std::string> expected;
    for (int i = 1; i <= 70; ++i)
        expected.push_back("L" + std::to_string(i));
    showText(numberedLines(70));
    globals.AskForPrinter = false;
    globals.PrintCopies = 1;
    for (const Row& row : rows) {
        QFont font = form_adobe->re_text->font();
        font.setPointSize(row.size);
        form_adobe->re_text->setFont(font);
        globals.TopMargin = row.top;
        globals.LeftMargin = row.left;
        globals.LinesPerPage = row.linesPerPage;

        PrintDocument(false);
        print::Printer& printer = print::printer();
        printer.canvas().setFont(font);
        const int height = printer.canvas().textHeight("W");
        std::vector<std::string> recorded, offThePaper;
        for (const auto& sheet : printed.jobs().back().sheets)
            for (const auto& line : sheet.lines) {
                recorded.push_back(line.text);
                if (line.y < 0 || line.y + height > printer.pageHeight() || line.x < 0 || line.x >= printer.pageWidth())
                    offThePaper.push_back(line.text);
            }
        EXPECT_EQ(recorded, expected) << row.id;
        EXPECT_EQ(offThePaper, std::vector<std::string>{}) << row.id;

        // On the machine's printers, as a PDF of the print folder: what lies on the paper reads back.
        QTemporaryDir folder;
        setenv("STYLARA_PRINT_DIR", folder.path().toUtf8().constData(), 1);
        print::Device* recorder = print::swapDevice(nullptr);
        PrintDocument(false);
        print::swapDevice(recorder);
        unsetenv("STYLARA_PRINT_DIR");
        std::vector<std::string> read;
        std::istringstream pdfText(
            testing_support::programOutput("pdftotext", {"-layout", folder.filePath("job-0001.pdf"), "-"}));
        for (std::string line; std::getline(pdfText, line);) {
            const size_t start = line.find('L');
            if (start != std::string::npos)
                read.push_back(line.substr(start, line.find_last_not_of(" \f") - start + 1));
        }
        EXPECT_EQ(read, expected) << row.id << ": what pdftotext reads back";
    }
}

TEST_F(DocumentView, PrintDialogTakesThePlaceOfTheQuestionAndEveryPageIsDrawnOnce)
{
    showText(numberedLines(5));
    globals.AskForPrinter = true;
    globals.LinesPerPage = 3;
    globals.PrintCopies = 3;
    {
        print::DialogScript dialog([](print::DialogChoice&) { return false; });
        PrintDocument(true);
        EXPECT_EQ(dialog.offered().size(), 1u);
        EXPECT_TRUE(printed.jobs().empty()) << "a cancelled dialog prints nothing";
        EXPECT_EQ(ui::screenCursor(), ui::Cursor::Default);
        EXPECT_EQ(form_adobe->lab_status->text().toStdString(), "");
    }
    print::DialogScript dialog([](print::DialogChoice& choice) {
        choice.printerIndex = 1;
        return true;
    });
    PrintDocument(false);
    EXPECT_TRUE(boxes.boxes().empty()) << "no question beside the dialog";
    ASSERT_EQ(dialog.offered().size(), 1u) << "the dialog comes whatever ask says";
    EXPECT_EQ(dialog.offered()[0].copies, 3);
    EXPECT_TRUE(dialog.offered()[0].collate);
    ASSERT_EQ(printed.jobs().size(), 1u);
    const auto& job = printed.jobs()[0];
    EXPECT_EQ(job.job.printer, "Laser B");
    EXPECT_EQ(job.job.copies, 3) << "the printer makes the copies chosen in the dialog";
    EXPECT_TRUE(job.job.collate);
    EXPECT_EQ(printed.sheetHeads(), (std::vector<std::string>{"L1", "L4"}));
}

TEST_F(DocumentView, DocumentPrinterChoiceLastEqualNameWinsAndStays)
{
    struct Row {
        const char* id;
        std::string documentPrinter;
        int index; // the current printer afterwards
    };
    const Row rows[] = {
        {"first: default", "", -1},         {"exact name, listed twice", "Laser A", 2},
        {"names no printer", "Laser C", 2}, {"case differs", "laser b", 2},
        {"another name", "Laser B", 1},     {"empty keeps the choice", "", 1},
    };
    showText("x\n");
    globals.PrintCopies = 1;
    globals.LinesPerPage = 60;
    for (const Row& row : rows) {
        globals.DocumentPrinter = row.documentPrinter;
        PrintDocument(false);
        EXPECT_EQ(print::printer().printerIndex(), row.index) << row.id;
        EXPECT_EQ(printed.jobs().back().job.printer, row.index < 0 ? "" : print::printer().printers()[row.index])
            << row.id;
    }
    EXPECT_TRUE(boxes.boxes().empty()) << "no message for a printer that is not there";
}

TEST_F(DocumentView, PdfPrintsEveryPageOnceOrSaysWhyNot)
{
    globals.PrintCopies = 3;
    PrintDocument(false);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "No PDF or text document is available to print.");
    EXPECT_EQ(boxes.boxes()[0].caption, "Stylara - Error");

    boxes.clear();
    LoadAcrobat();
    PrintDocument(false);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Error loading document information!");
    EXPECT_EQ(boxes.boxes()[0].caption, "Error");
    EXPECT_TRUE(printed.jobs().empty());

    boxes.clear();
    showPdf(2);
    PrintDocument(false);
    ASSERT_EQ(printed.jobs().size(), 1u);
    EXPECT_EQ(printed.jobs()[0].sheets.size(), 2u) << "one copy of every page, whatever PrintCopies holds";
    EXPECT_EQ(printed.jobs()[0].job.copies, 1);
    EXPECT_EQ(ui::screenCursor(), ui::Cursor::Default);
    EXPECT_EQ(form_adobe->lab_status->text().toStdString(), "");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(DocumentView, PdfPrintRunsUnderItsStatusAndTheHourglassWithEveryPage)
{
    std::vector<WatchedPrint::Call> calls;
    acrobat::FactoryOverride factory;
    factory.makeAVDoc = [&] { return std::make_unique<WatchedPrint>(calls); };
    showPdf(3);
    std::vector<std::string> statusAtQuestion;
    ui::BoxRecorder answers([&](const ui::Box&) {
        statusAtQuestion.push_back(form_adobe->lab_status->text().toStdString());
        return ui::IDYES;
    });
    PrintDocument(true);
    EXPECT_EQ(statusAtQuestion, std::vector<std::string>{"Printing document..."})
        << "the status comes before the question";
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].arguments, (std::vector<std::int32_t>{0, 2, 2, 1, 1}));
    EXPECT_EQ(calls[0].status, "Printing document...");
    EXPECT_EQ(calls[0].cursor, ui::Cursor::Hourglass);
    EXPECT_EQ(ui::screenCursor(), ui::Cursor::Default) << "after the print";
    EXPECT_EQ(form_adobe->lab_status->text().toStdString(), "");
    ASSERT_EQ(printed.jobs().size(), 1u);
    EXPECT_EQ(printed.jobs()[0].sheets.size(), 3u);
}

TEST_F(DocumentView, PrintsToPdfFilesInThePrintFolder)
{
    showPdf(2);
    QTemporaryDir folder;
    setenv("STYLARA_PRINT_DIR", folder.path().toUtf8().constData(), 1);
    {
        // The machine's printers again, with the print folder.
        print::Device* recorder = print::swapDevice(nullptr);
        PrintDocument(false);
        showText("TEXT LINE ONE\nTEXT LINE TWO\n");
        globals.PrintCopies = 1;
        globals.LinesPerPage = 60;
        PrintDocument(false);
        print::swapDevice(recorder);
    }
    unsetenv("STYLARA_PRINT_DIR");
    QPdfDocument pdf;
    ASSERT_EQ(pdf.load(folder.filePath("job-0001.pdf")), QPdfDocument::Error::None);
    ASSERT_EQ(pdf.pageCount(), 2);
    std::vector<int> pages;
    for (int page = 0; page < 2; ++page) {
        const QImage image = pdf.render(page, (pdf.pagePointSize(page) * 100 / 72).toSize());
        QImage white(image.size(), QImage::Format_RGB32);
        white.fill(Qt::white);
        QPainter(&white).drawImage(0, 0, image);
        pages.push_back(qRound(testing_support::sampleBarShare(white) * 792 / 36));
    }
    EXPECT_EQ(pages, (std::vector<int>{1, 2}));
    QPdfDocument text;
    ASSERT_EQ(text.load(folder.filePath("job-0002.pdf")), QPdfDocument::Error::None);
    EXPECT_EQ(text.pageCount(), 1);
    EXPECT_TRUE(text.getAllText(0).text().contains("TEXT LINE TWO"));
}

TEST_F(DocumentView, ShellOpenResultsAndTheirTexts)
{
    install.write("C:\\Stylara\\Temp\\Inv100.pdf", "%PDF-1.4\n");
    struct Row {
        long result;
        const char* text; // nullptr: success, no box
    };
    const Row rows[] = {
        {0, "Operating system is out of resources"},
        {2, "Windows was unable to find varnok.exe"},
        {3, "Windows was unable to find the specified path"},
        {5, "Windows has denied access to varnok.exe"},
        {8, "There was not enough memory to complete the operation"},
        {11, "The .EXE file is invalid or corrupted"},
        {26, "Could not open file, a sharing violation has occurred"},
        {27, ""},
        {28, "DDE transaction request has timed out"},
        {29, "DDE transaction failed"},
        {30, "DDE Transaction could not be completed because other DDE transactions were being processed"},
        {31, "There is no application associated with the specified filename extension"},
        {32, "The specified DLL was not found"},
        {1, ""},
        {33, nullptr},
        {42, nullptr},
    };
    for (const Row& row : rows) {
        boxes.clear();
        win::ShellRecorder shell([&](const win::ShellRecorder::Open&) { return row.result; });
        const int fronts = ui::bringToFrontCount();
        OpenWithShell("C:\\Stylara\\Temp\\Inv100.pdf");
        ASSERT_EQ(shell.opened().size(), 1u) << row.result;
        EXPECT_EQ(shell.opened()[0].verb, "open");
        EXPECT_EQ(shell.opened()[0].nativeFile, install.native("C:\\Stylara\\Temp\\Inv100.pdf"));
        ASSERT_EQ(boxes.boxes().size(), row.text ? 1u : 0u) << row.result;
        if (row.text) {
            EXPECT_EQ(boxes.boxes()[0].text, row.text) << row.result;
            EXPECT_EQ(boxes.boxes()[0].caption, "Error") << row.result;
            EXPECT_EQ(boxes.boxes()[0].icon(), "error") << row.result;
            EXPECT_EQ(ui::bringToFrontCount(), fronts) << row.result << ": no bring-to-front";
        }
    }
}

TEST_F(DocumentView, ShellOpenOfAMissingFileOrFolderLaunchesNothing)
{
    struct Row {
        const char* path;
        const char* text;
    };
    const Row rows[] = {
        {"C:\\Stylara\\Temp\\gone.pdf", "Windows was unable to find varnok.exe"},
        {"C:\\Nowhere\\gone.pdf", "Windows was unable to find the specified path"},
    };
    for (const Row& row : rows) {
        boxes.clear();
        win::ShellRecorder shell;
        OpenWithShell(row.path);
        EXPECT_TRUE(shell.opened().empty()) << row.path;
        ASSERT_EQ(boxes.boxes().size(), 1u) << row.path;
        EXPECT_EQ(boxes.boxes()[0].text, row.text) << row.path;
    }
}
