// The viewer's "TBCR " road against the host simulator: the request columns, the "TBVR 0" handshake
// and its reply lines, the fetch of the text, and printing it.
#include "ViewerFixture.h"
#include "print/PrintDialog.h"
#include "viewer/Init.h"
#include "win/System.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <filesystem>
#include <optional>
#include <sstream>

using host::Handshake;

namespace {

std::string numberedLines(int count, const char* lineEnd = "\n")
{
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += "LINE " + std::to_string(i) + lineEnd;
    return text;
}

const char* const request = "TBCR N00127.0.0.1 job42";
const std::string invalidData =
    "Norvane Stylara PDF Viewer | Invalid data received.  Trying to sign with PDF viewer program?";
const std::string pcUpdate =
    "Norvane Stylara PDF Viewer - Error | Incompatible protocol version!  (PC software requires updating)";
const std::string unixUpdate =
    "Norvane Stylara PDF Viewer - Error | Incompatible protocol version!  (UNIX software requires updating)";

std::string plistLine(const std::string& printer, const std::string& description)
{
    std::string line = printer;
    line.resize(50, ' ');
    return line + description + "\r\n";
}

class PrintRoad : public ViewerFixture {
protected:
    // Answers "TBVR 0" with these lines and sends the request straight to the road.
    void run(const std::vector<std::string>& replyLines, const std::string& text = request)
    {
        host->script("TBVR 0", host::lines(replyLines));
        PrintTextRequest(text);
    }
    // Runs the request with the print job going to a PDF file in the folder, and answers that file's path.
    QString printToPdf(const QTemporaryDir& folder)
    {
        setenv("STYLARA_PRINT_DIR", folder.path().toUtf8().constData(), 1);
        print::Device* recorder = print::swapDevice(nullptr);
        PrintTextRequest(request);
        print::swapDevice(recorder);
        unsetenv("STYLARA_PRINT_DIR");
        return folder.filePath("job-0001.pdf");
    }
    void expectEndedWithout(const char* id)
    {
        EXPECT_TRUE(printed.jobs().empty()) << id;
        EXPECT_TRUE(fileCommands().empty()) << id << ": nothing fetched";
        EXPECT_FALSE(form_config->ClientSocket.Active()) << id;
        for (QWidget* front : fronts)
            EXPECT_EQ(front, form_config) << id;
    }
};

} // namespace

TEST_F(PrintRoad, CopiesComePageByPageUnderTheViewersTitle)
{
    win::setComputerName("ABCDEFGHIJKLMNO");
    globals.TextBold = true;
    globals.TextSize = 10; // 60 lines of it fit the sheet
    Handshake job = printJob();
    job.m.printCopies = 2;
    host->script("TBVR 0", job.responder());
    writeHostFile("/usr/docs/inv100.txt", numberedLines(61, "\r\n"));

    // Column 8 is not looked at.
    ASSERT_TRUE(
        sendRequest("TBCR Y0x127.0.0.1 job42", [&] { return !printed.jobs().empty() && printed.jobs()[0].ended; }));
    EXPECT_EQ(boxLines(), std::vector<std::string>{});
    EXPECT_EQ(lineReceived(), "TBVR 0ABCDEFGHIJKLMNO" + std::string(10, ' ') + "job42\n");
    EXPECT_EQ(fileCommands(), std::vector<std::string>{"TBGF 0/usr/docs/inv100.txt\n"});
    EXPECT_FALSE(form_config->ClientSocket.Active());

    const auto& recorded = printed.jobs()[0];
    EXPECT_EQ(recorded.job.title, "Norvane Stylara PDF Viewer");
    EXPECT_EQ(recorded.job.copies, 1) << "the copies are drawn by the program";
    EXPECT_EQ(printed.sheetHeads(), (std::vector<std::string>{"LINE 1", "LINE 1", "LINE 61", "LINE 61"}));
    ASSERT_EQ(recorded.sheets.size(), 4u);
    EXPECT_EQ(recorded.sheets[1].lines.size(), 60u);
    EXPECT_EQ(recorded.sheets[1].lines.back().text, "LINE 60");
    EXPECT_EQ(recorded.sheets[3].lines.size(), 1u);

    const QFont font = form_config->re_text->font();
    EXPECT_TRUE(font.bold());
    EXPECT_EQ(font.pointSize(), 10);
    EXPECT_EQ(form_config->re_text->toPlainText().toStdString(), numberedLines(61));
}

TEST_F(PrintRoad, StationIdIsTwentyFiveColumns)
{
    struct Row {
        const char* id;
        const char* request;
        std::optional<std::string> computerName;
        std::string station;
    };
    const Row rows[] = {
        {"computer name of 15", "TBCR Y00127.0.0.1 job", "ABCDEFGHIJKLMNO", "ABCDEFGHIJKLMNO" + std::string(10, ' ')},
        {"computer name of 3", "TBCR Y10127.0.0.1 job", "ABC", "ABC" + std::string(22, ' ')},
        {"local address", "TBCR N00127.0.0.1 job", "ABC", "127.0.0.1" + std::string(16, ' ')},
    };
    writeHostFile("/usr/docs/inv100.txt", "x\n");
    host->script("TBVR 0", printJob().responder());
    for (const Row& row : rows) {
        win::setComputerName(row.computerName);
        PrintTextRequest(row.request);
        EXPECT_EQ(lineReceived(), "TBVR 0" + row.station + "job\n") << row.id;
    }
    EXPECT_EQ(printed.jobs().size(), 3u);
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(PrintRoad, RequestColumns)
{
    struct Row {
        const char* id;
        const char* request;
        std::vector<std::string> boxes;
        bool printed;
    };
    const Row rows[] = {
        {"column 6 lower case",
         "TBCR y00127.0.0.1 job",
         {"Norvane Stylara PDF Viewer | Stylara UNIX software requires updating! (1)"},
         false},
        {"column 7 not 0 or 1",
         "TBCR N20127.0.0.1 job",
         {"Norvane Stylara PDF Viewer | Stylara UNIX software requires updating! (2)"},
         false},
        {"column 8 any character", "TBCR N1#127.0.0.1 job", {}, true},
        {"no blank after the host", "TBCR N00127.0.0.1", {}, false},
        {"cut short", "TBCR N", {"Norvane Stylara PDF Viewer | Stylara UNIX software requires updating! (2)"}, false},
    };
    writeHostFile("/usr/docs/inv100.txt", "x\n");
    host->script("TBVR 0", printJob().responder());
    for (const Row& row : rows) {
        boxes.clear();
        const size_t jobs = printed.jobs().size();
        const size_t connections = host->connections(host::Service::Line).size();
        PrintTextRequest(row.request);
        EXPECT_EQ(boxLines(), row.boxes) << row.id;
        EXPECT_EQ(printed.jobs().size(), jobs + (row.printed ? 1 : 0)) << row.id;
        if (!row.printed) {
            EXPECT_EQ(host->connections(host::Service::Line).size(), connections)
                << row.id << ": the host is not asked";
        }
    }
}

TEST_F(PrintRoad, GreetingAndConnection)
{
    host->setGreeting(host::lines({"+TBUS "}));
    PrintTextRequest(request);
    EXPECT_EQ(boxLines(),
              std::vector<std::string>{"Norvane Stylara PDF Viewer - Error | Incorrect server response on port 6070!"});
    EXPECT_EQ(lineReceived(), "") << "nothing is sent after a wrong greeting";
    expectEndedWithout("greeting with a blank");

    boxes.clear();
    host->refuse(host::Service::Line, true);
    PrintTextRequest(request);
    EXPECT_EQ(boxLines(),
              std::vector<std::string>{"Norvane Stylara PDF Viewer - Error | Error connecting to 127.0.0.1"});
    expectEndedWithout("connection refused");
}

TEST_F(PrintRoad, MLineTestsInOrder)
{
    auto mLine = [](auto change) {
        Handshake job = printJob();
        change(job.m);
        return job.m.text();
    };
    std::string ownLayout = mLine([](host::MLine&) {});
    ownLayout.erase(18, 1); // the viewer's own layout: the version in column 19
    struct Row {
        const char* id;
        std::string m;
        std::vector<std::string> boxes; // empty: printed
    };
    const Row rows[] = {
        {"station layout, 0 in column 19", mLine([](host::MLine&) {}), {}},
        {"viewer layout, version in column 19", ownLayout, {}},
        {"mode 3 is a print request too", "", {}},
        {"mode 1", mLine([](host::MLine& m) { m.mode = '1'; }), {invalidData}},
        {"mode 0", mLine([](host::MLine& m) { m.mode = '0'; }), {invalidData}},
        {"mode 4", mLine([](host::MLine& m) { m.mode = '4'; }), {invalidData}},
        {"not a text", mLine([](host::MLine& m) { m.textMode = false; }), {invalidData}},
        {"18 characters", mLine([](host::MLine&) {}).substr(0, 18), {pcUpdate}},
        {"not an M: line",
         "N:00020010000000009",
         {"Norvane Stylara PDF Viewer - Error | Invalid response from server (1)."}},
        {"version 10", mLine([](host::MLine& m) { m.version = "10"; }), {pcUpdate}},
        {"version 8", mLine([](host::MLine& m) { m.version = "8"; }), {unixUpdate}},
        {"a height digit in column 19", mLine([](host::MLine& m) { m.imageHeight = 1; }), {pcUpdate}},
        {"mode tested before the version",
         mLine([](host::MLine& m) {
             m.mode = '1';
             m.version = "8";
         }),
         {invalidData}},
    };
    writeHostFile("/usr/docs/inv100.txt", "x\n");
    install.write("C:\\Stylara\\plist", plistLine("Laser A", "LASER PRINTER"));
    for (const Row& row : rows) {
        boxes.clear();
        fronts.clear();
        const size_t jobs = printed.jobs().size();
        Handshake job = printJob();
        if (row.m.empty())
            job.m.mode = '3';
        std::vector<std::string> replyLines = job.linesFor("TBVR 0");
        if (!row.m.empty())
            replyLines[0] = row.m;
        run(replyLines);
        EXPECT_EQ(boxLines(), row.boxes) << row.id;
        EXPECT_EQ(printed.jobs().size(), jobs + (row.boxes.empty() ? 1 : 0)) << row.id;
        EXPECT_FALSE(form_config->ClientSocket.Active()) << row.id;
        for (QWidget* front : fronts)
            EXPECT_EQ(front, form_config) << row.id;
    }
    EXPECT_EQ(printed.jobs().back().job.printer, "Laser A") << "the printer of the mode 3 description";
}

TEST_F(PrintRoad, EachMissingLineHasItsMessage)
{
    install.write("C:\\Stylara\\plist", plistLine("Laser A", "LASER PRINTER"));
    Handshake job = printJob();
    job.m.mode = '3';
    const std::vector<std::string> good = job.linesFor("TBVR 0"); // M, C (printer), P, C, S, T, X, final
    struct Row {
        size_t line;
        std::string box;
    };
    const Row rows[] = {
        {1, "Norvane Stylara Viewer - Error | Invalid response from server (3p)."},
        {2, "Norvane Stylara PDF Viewer - Error | Invalid response from server (3)."},
        {3, "Norvane Stylara PDF Viewer - Error | Invalid response from server (4)."},
        {4, "Norvane Stylara PDF Viewer - Error | Invalid response from server (4s)."},
        {5, "Norvane Stylara PDF Viewer - Error | Invalid response from server (4t)."},
        {6, "Norvane Stylara PDF Viewer - Error | Invalid response from server (4x)."},
    };
    for (const Row& row : rows) {
        boxes.clear();
        std::vector<std::string> lines = good;
        lines[row.line] = "Q:" + lines[row.line].substr(2);
        run(lines);
        EXPECT_EQ(boxLines(), std::vector<std::string>{row.box}) << row.line;
        expectEndedWithout(row.box.c_str());
    }

    // An error line from the host shows the host's text alone; a host that closes early leaves an
    // empty line where the next one was due.
    boxes.clear();
    std::vector<std::string> lines = good;
    lines[2] = "-Document locked by another user";
    run(lines);
    EXPECT_EQ(boxLines(), std::vector<std::string>{"Stylara - Error | Document locked by another user"});
    expectEndedWithout("error line");

    boxes.clear();
    host->script("TBVR 0", host::lines({good[0], good[1]}, host::End::Close));
    PrintTextRequest(request);
    EXPECT_EQ(boxLines(),
              std::vector<std::string>{"Norvane Stylara PDF Viewer - Error | Invalid response from server (3)."});
    expectEndedWithout("early close");
}

TEST_F(PrintRoad, PrinterDescriptionLookupInFileOrder)
{
    struct Row {
        const char* id;
        std::optional<std::string> plist;
        const char* description;
        std::vector<std::string> boxes;
        std::string printer; // of the job
    };
    const Row rows[] = {
        {"upper of two equal lines wins",
         plistLine("Zeta Laser", "OFFICE") + plistLine("Alpha Laser", "OFFICE") + plistLine("Laser A", "HALL"),
         "OFFICE",
         {},
         "Zeta Laser"},
        {"no such description keeps the printer",
         plistLine("Zeta Laser", "OFFICE"),
         "BASEMENT",
         {"Stylara Viewer - Error | No custom printer description entry was found on this PC for 'BASEMENT'.\n\n"
          "Sending to default printer..."},
         "Zeta Laser"},
        {"another description", plistLine("Laser A", "HALL"), "HALL", {}, "Laser A"},
        {"no plist",
         std::nullopt,
         "HALL",
         {"Stylara Viewer - Error | No custom printer descriptions have been defined on this PC.\n\nSending to default "
          "printer..."},
         "Laser A"},
    };
    writeHostFile("/usr/docs/inv100.txt", "x\n");
    for (const Row& row : rows) {
        boxes.clear();
        if (row.plist)
            install.write("C:\\Stylara\\plist", *row.plist);
        else
            std::filesystem::remove(install.native("C:\\Stylara\\plist"));
        Handshake job = printJob();
        job.m.mode = '3';
        job.printerDescription = row.description;
        run(job.linesFor("TBVR 0"));
        EXPECT_EQ(boxLines(), row.boxes) << row.id;
        ASSERT_FALSE(printed.jobs().empty()) << row.id;
        EXPECT_EQ(printed.jobs().back().job.printer, row.printer) << row.id;
    }
}

TEST_F(PrintRoad, TextThatDidNotArriveIsNotPrinted)
{
    writeHostFile("/usr/docs/inv100.txt", "FIRST REQUEST\n");
    host->script("TBVR 0", printJob().responder());
    PrintTextRequest(request);
    ASSERT_EQ(printed.jobs().size(), 1u);

    // The earlier request's "source.pdf" is still in Temp: it must not come out for this one.
    struct Row {
        const char* id;
        std::string textPath;
        bool refuseFiles;
        std::string box;
    };
    writeHostFile("/usr/docs/empty.txt", "");
    const Row rows[] = {
        {"missing on the host", "/usr/docs/none.txt", false,
         "Norvane Stylara PDF Viewer | Specified UNIX file does not exist"},
        {"empty on the host", "/usr/docs/empty.txt", false,
         "Norvane Stylara PDF Viewer | Specified UNIX file does not exist"},
        {"file service refused", "/usr/docs/inv100.txt", true,
         "Norvane Stylara PDF Viewer | Error connecting to 127.0.0.1"},
    };
    for (const Row& row : rows) {
        boxes.clear();
        Handshake job = printJob();
        job.textPath = row.textPath;
        host->script("TBVR 0", job.responder());
        host->refuse(host::Service::File, row.refuseFiles);
        PrintTextRequest(request);
        EXPECT_EQ(boxLines(), std::vector<std::string>{row.box}) << row.id;
        EXPECT_EQ(printed.jobs().size(), 1u) << row.id;
    }
}

TEST_F(PrintRoad, PageLoopAlwaysEnds)
{
    struct Row {
        const char* id;
        int lines;
        int linesPerPage;
        int copies;
        std::vector<std::string> heads;
        size_t lastSheetLines;
    };
    const Row rows[] = {
        {"exact multiple, no empty page", 120, 60, 1, {"LINE 1", "LINE 61"}, 60},
        {"no lines: an empty sheet per copy", 0, 60, 2, {"", ""}, 0},
        {"three copies of two pages", 4, 2, 3, {"LINE 1", "LINE 1", "LINE 1", "LINE 3", "LINE 3", "LINE 3"}, 2},
        {"no lines per page: all on one sheet", 5, 0, 1, {"LINE 1"}, 5},
        {"negative lines per page", 5, -3, 2, {"LINE 1", "LINE 1"}, 5},
        {"no copies: one is printed", 3, 60, 0, {"LINE 1"}, 3},
        {"a blank for the digit: one is printed", 3, 60, ' ' - '0', {"LINE 1"}, 3},
    };
    globals.LeftMargin = 3;
    globals.TopMargin = 4;
    QFont font = form_config->re_text->font();
    font.setPointSize(10); // 60 lines of it fit the sheet
    form_config->re_text->setFont(font);
    for (const Row& row : rows) {
        form_config->re_text->setPlainText(QString::fromStdString(numberedLines(row.lines)));
        globals.LinesPerPage = row.linesPerPage;
        globals.PrintCopies = row.copies;
        PrintTextDocument();
        ASSERT_TRUE(printed.jobs().back().ended) << row.id;
        const std::vector<print::RecordingDevice::Sheet>& sheets = printed.jobs().back().sheets;
        std::vector<std::string> heads;
        for (const auto& sheet : sheets)
            heads.push_back(sheet.lines.empty() ? "" : sheet.lines[0].text);
        EXPECT_EQ(heads, row.heads) << row.id;
        EXPECT_EQ(sheets.back().lines.size(), row.lastSheetLines) << row.id;
        if (!sheets[0].lines.empty()) {
            EXPECT_EQ(sheets[0].lines[0].x, 30) << row.id;
            EXPECT_EQ(sheets[0].lines[0].y, 40) << row.id;
        }
    }
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(PrintRoad, EightBitTextShowsAndPrintsWholeOnPaper)
{
    // The host writes its texts in the PC's code page; 61 lines at 20 points do not fit one sheet.
    globals.LinesPerPage = 0;
    globals.TextSize = 20;
    host->script("TBVR 0", printJob().responder());
    writeHostFile("/usr/docs/inv100.txt", "Kunde: M\xfcller, Stra\xdf"
                                          "e 5 \x80 12,00\r\n" +
                                              numberedLines(60, "\r\n"));
    QTemporaryDir folder;
    const QString job = printToPdf(folder);

    EXPECT_EQ(boxLines(), std::vector<std::string>{});
    const QString first = QString::fromUtf8("Kunde: Müller, Straße 5 € 12,00");
    EXPECT_EQ(form_config->re_text->toPlainText().section('\n', 0, 0), first);
    ASSERT_TRUE(QFile::exists(job));
    const std::string info = testing_support::programOutput("pdfinfo", {job});
    EXPECT_EQ(info.find("Pages:          1\n"), std::string::npos) << "more than one sheet";
    const std::string text = testing_support::programOutput("pdftotext", {"-layout", job, "-"});
    EXPECT_NE(text.find(first.toStdString()), std::string::npos) << text;
    for (int i = 1; i <= 60; ++i)
        EXPECT_NE(text.find("LINE " + std::to_string(i) + "\n"), std::string::npos) << "LINE " << i << " is printed";
}

TEST_F(PrintRoad, SettingsThatOverfillASheetOrMissThePaperLoseNoLine)
{
    struct Row {
        const char* id;
        int lines;
        int size;
        int top;
        int linesPerPage;
        int lineLength;
        int left = 20;
    };
    const Row rows[] = {
        {"60 a page at 20 points", 130, 20, 10, 60, 12},
        {"60 a page at 72 points", 130, 72, 10, 60, 8},
        {"no lines per page, top margin below the paper", 130, 11, 700, 0, 40},
        {"200 a page, top margin below the paper", 130, 11, 999, 200, 40},
        {"no lines per page at 24 points, top margin above the paper", 70, 24, -30, 0, 12},
        {"60 a page, top margin far above the paper", 70, 11, -200, 60, 12},
        {"left margin left of the paper", 70, 11, 10, 60, 40, -30},
        {"left margin past the paper's right edge", 70, 11, 10, 60, 40, 999},
    };
    host->script("TBVR 0", printJob().responder());
    globals.PrintCopies = 1;
    for (const Row& row : rows) {
        std::string text;
        std::vector<std::string> expected;
        for (int i = 1; i <= row.lines; ++i) {
            std::string line = "LINE " + std::to_string(i) + " ";
            line += std::string(std::max(1, row.lineLength - static_cast<int>(line.size())), '=');
            expected.push_back(line);
            text += line + "\r\n";
        }
        writeHostFile("/usr/docs/inv100.txt", text);
        globals.TextSize = row.size;
        globals.TopMargin = row.top;
        globals.LeftMargin = row.left;
        globals.LinesPerPage = row.linesPerPage;

        PrintTextRequest(request);
        ASSERT_FALSE(printed.jobs().empty()) << row.id;
        std::vector<std::string> recorded;
        for (const auto& sheet : printed.jobs().back().sheets)
            for (const auto& line : sheet.lines) {
                recorded.push_back(line.text);
                EXPECT_GE(line.y, 0) << row.id << ": " << line.text;
                EXPECT_LE(line.y + print::printer().canvas().textHeight("W"), print::printer().pageHeight())
                    << row.id << ": " << line.text;
                EXPECT_GE(line.x, 0) << row.id << ": " << line.text;
                EXPECT_LT(line.x, print::printer().pageWidth()) << row.id << ": " << line.text;
            }
        EXPECT_EQ(recorded, expected) << row.id;

        QTemporaryDir folder;
        std::vector<std::string> read;
        std::istringstream pdfText(testing_support::programOutput("pdftotext", {"-layout", printToPdf(folder), "-"}));
        for (std::string line; std::getline(pdfText, line);) {
            const size_t start = line.find("LINE ");
            if (start != std::string::npos)
                read.push_back(line.substr(start, line.find_last_not_of(" \f") - start + 1));
        }
        EXPECT_EQ(read, expected) << row.id << ": what pdftotext reads back";
    }
    EXPECT_EQ(boxLines(), std::vector<std::string>{});
}

TEST_F(PrintRoad, PrintDialogWhenTheSettingsAskForIt)
{
    globals.AskForPrinter = true;
    globals.DocumentPrinter = "Zeta Laser"; // the dialog's choice, not the description's, counts
    globals.PrintCopies = 3;
    globals.LinesPerPage = 2;
    form_config->re_text->setPlainText("A\nB\nC\n");
    {
        print::DialogScript dialog([](print::DialogChoice&) { return false; });
        PrintTextDocument();
        ASSERT_EQ(dialog.offered().size(), 1u);
        EXPECT_TRUE(printed.jobs().empty()) << "a cancelled dialog prints nothing";
    }
    print::DialogScript dialog([](print::DialogChoice& choice) {
        choice.printerIndex = 2;
        return true;
    });
    PrintTextDocument();
    ASSERT_EQ(dialog.offered().size(), 1u);
    EXPECT_EQ(dialog.offered()[0].copies, 3);
    EXPECT_TRUE(dialog.offered()[0].collate);
    ASSERT_EQ(printed.jobs().size(), 1u);
    EXPECT_EQ(printed.jobs()[0].job.printer, "Alpha Laser");
    EXPECT_EQ(printed.jobs()[0].job.copies, 3) << "the printer makes the copies chosen in the dialog";
    EXPECT_EQ(printed.sheetHeads(), (std::vector<std::string>{"A", "C"})) << "every page once";
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(PrintRoad, RequestWhileTheDialogIsOpenKeepsEachText)
{
    globals.AskForPrinter = true;
    globals.PrintCopies = 1;
    globals.LinesPerPage = 60;
    form_config->re_text->setPlainText("FIRST\n");
    int dialogs = 0;
    // The dialog's loop lets a second print request run: it loads its own text and prints it.
    print::DialogScript dialog([&](print::DialogChoice&) {
        if (++dialogs == 1) {
            form_config->re_text->setPlainText("SECOND\n");
            PrintTextDocument();
        }
        return true;
    });
    PrintTextDocument();
    EXPECT_EQ(printed.sheetHeads(), (std::vector<std::string>{"SECOND", "FIRST"}));
}
