#include "print/Printer.h"
#include "TestSupport.h"
#include "print/InstalledPrinters.h"
#include "print/PrintDialog.h"
#include "print/RecordingDevice.h"
#include "print/TextPrint.h"
#include "win/LibraryError.h"

#include <QDir>
#include <QPdfDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using testing_support::programOutput;

namespace {

class PrinterLayer : public ::testing::Test {
protected:
    void SetUp() override
    {
        print::resetPrinter();
        print::setInstalledPrinters(std::vector<std::string>{"Laser A", "Laser B"});
    }
    void TearDown() override
    {
        print::setInstalledPrinters(std::nullopt);
        print::resetPrinter();
    }
};
} // namespace

TEST_F(PrinterLayer, EveryJobBecomesAPdfFileInThePrintFolder)
{
    QTemporaryDir folder;
    setenv("STYLARA_PRINT_DIR", folder.path().toUtf8().constData(), 1);
    print::Printer& printer = print::printer();
    printer.canvas().setFont(QFont("Liberation Mono", 11));
    printer.title = "Norvane Stylara";
    printer.beginDoc();
    printer.canvas().textOut(200, 100, "FIRST SHEET");
    printer.newPage();
    printer.canvas().textOut(200, 100, "SECOND SHEET");
    printer.endDoc();
    printer.beginDoc();
    printer.canvas().textOut(200, 100, "ANOTHER JOB");
    printer.endDoc();
    unsetenv("STYLARA_PRINT_DIR");

    const QString first = folder.filePath("job-0001.pdf");
    const QString second = folder.filePath("job-0002.pdf");
    ASSERT_TRUE(QFile::exists(first));
    ASSERT_TRUE(QFile::exists(second)) << "a later job never overwrites an earlier one";
    EXPECT_NE(programOutput("qpdf", {"--check", first}).find("No syntax or stream encoding errors"), std::string::npos);
    QPdfDocument document;
    ASSERT_EQ(document.load(first), QPdfDocument::Error::None);
    EXPECT_EQ(document.pageCount(), 2);
    EXPECT_NE(programOutput("pdftotext", {"-f", "2", "-l", "2", first, "-"}).find("SECOND SHEET"), std::string::npos);
    EXPECT_EQ(programOutput("pdftotext", {first, "-"}).find("ANOTHER JOB"), std::string::npos);
    EXPECT_NE(programOutput("pdftotext", {second, "-"}).find("ANOTHER JOB"), std::string::npos);
    EXPECT_NE(programOutput("pdfinfo", {first}).find("Norvane Stylara"), std::string::npos) << "the job's title";
}

TEST_F(PrinterLayer, ScreenFontKeepsItsPointSizeOnThePrinter)
{
    print::RecordingDevice recorder;
    print::Canvas& canvas = print::printer().canvas();
    QFont screen("Liberation Mono");
    screen.setPixelSize(16); // 12 points at 96 dpi
    canvas.setFont(screen);
    const int fromPixels = canvas.textHeight("W");
    canvas.setFont(QFont("Liberation Mono", 12));
    EXPECT_EQ(fromPixels, canvas.textHeight("W"));
    // 12 points are a sixth of an inch: about 100 device units at 600 dpi, far from 16.
    EXPECT_GT(fromPixels, 90);
    EXPECT_LT(fromPixels, 140);
}

TEST_F(PrinterLayer, JobCarriesPrinterTitleCopiesAndRefusesOutsideAJob)
{
    print::RecordingDevice recorder;
    print::Printer& printer = print::printer();
    EXPECT_THROW(printer.canvas().textOut(0, 0, "x"), win::LibraryError);
    EXPECT_THROW(printer.setPrinterIndex(2), win::LibraryError);
    printer.setPrinterIndex(1);
    printer.setCopies(0);
    printer.title = "T";
    printer.beginDoc();
    printer.canvas().textOut(10, 20, "line");
    printer.endDoc();
    EXPECT_THROW(printer.newPage(), win::LibraryError);
    ASSERT_EQ(recorder.jobs().size(), 1u);
    const auto& job = recorder.jobs()[0];
    EXPECT_EQ(job.job.printer, "Laser B");
    EXPECT_EQ(job.job.title, "T");
    EXPECT_EQ(job.job.copies, 1) << "no copies count as one";
    EXPECT_TRUE(job.ended);
    ASSERT_EQ(job.sheets.size(), 1u);
    ASSERT_EQ(job.sheets[0].lines.size(), 1u);
    EXPECT_EQ(job.sheets[0].lines[0].x, 10);
    EXPECT_EQ(job.sheets[0].lines[0].y, 20);
}

TEST_F(PrinterLayer, DialogSharesCopiesWithThePrinterAndCancelChangesNothing)
{
    print::PrintDialog dialog;
    dialog.setCopies(3);
    EXPECT_EQ(print::printer().copies(), 3);
    dialog.setCollate(true);
    {
        print::DialogScript script([](print::DialogChoice&) { return false; });
        EXPECT_FALSE(dialog.execute());
        ASSERT_EQ(script.offered().size(), 1u);
        EXPECT_EQ(script.offered()[0].copies, 3);
        EXPECT_TRUE(script.offered()[0].collate);
        EXPECT_EQ(print::printer().printerIndex(), -1);
    }
    print::DialogScript script([](print::DialogChoice& choice) {
        choice.printerIndex = 1;
        choice.copies = 2;
        choice.collate = false;
        return true;
    });
    EXPECT_TRUE(dialog.execute());
    EXPECT_EQ(print::printer().printerName(), "Laser B");
    EXPECT_EQ(print::printer().copies(), 2);
    EXPECT_FALSE(print::printer().collate());
}

namespace {

struct Layout {
    const char* id;
    int lines;
    int size; // points
    int topMargin;
    int linesPerPage;
    int copies;
    int lineLength; // characters of each line
    int leftMargin = 20;
};

std::vector<std::string> numbered(const Layout& row)
{
    std::vector<std::string> lines;
    for (int i = 1; i <= row.lines; ++i) {
        std::string line = "LINE " + std::to_string(i) + " ";
        line.resize(std::max<size_t>(line.size(), static_cast<size_t>(row.lineLength)), 'x');
        lines.push_back(line);
    }
    return lines;
}

// The text as it must come out: each sheet's lines, the copies of a sheet one after the other.
std::vector<std::string> withCopies(const std::vector<std::vector<std::string>>& sheets, int copies)
{
    std::vector<std::string> all;
    for (const auto& sheet : sheets)
        for (int copy = 0; copy < std::max(1, copies); ++copy)
            all.insert(all.end(), sheet.begin(), sheet.end());
    return all;
}

// The lines of each page of a PDF as pdftotext reads them: only what lies on the paper.
std::vector<std::vector<std::string>> pdfSheets(const QString& file)
{
    std::vector<std::vector<std::string>> sheets(1);
    for (char c : programOutput("pdftotext", {"-layout", file, "-"})) {
        if (c == '\f') {
            sheets.emplace_back();
            sheets.back().emplace_back();
        } else if (c == '\n') {
            sheets.back().emplace_back();
        } else {
            if (sheets.back().empty())
                sheets.back().emplace_back();
            sheets.back().back() += c;
        }
    }
    for (auto& sheet : sheets) {
        for (std::string& line : sheet) {
            const size_t first = line.find_first_not_of(' ');
            line = first == std::string::npos ? "" : line.substr(first, line.find_last_not_of(' ') - first + 1);
        }
        std::erase(sheet, "");
    }
    if (!sheets.empty() && sheets.back().empty())
        sheets.pop_back(); // pdftotext ends the last page with a form feed too
    return sheets;
}

const Layout layouts[] = {
    {"60 a page at 20 points", 130, 20, 10, 60, 1, 10},
    {"60 a page at 72 points", 130, 72, 10, 60, 1, 10},
    {"60 a page that fit", 130, 10, 10, 60, 1, 10},
    {"a page over two sheets, in copies", 70, 20, 10, 60, 2, 10},
    {"long lines", 61, 10, 10, 60, 1, 70},
    {"no lines per page", 61, 20, 10, 0, 1, 10},
    {"no lines per page, top margin below the paper", 130, 11, 700, 0, 1, 10},
    {"60 a page, top margin below the paper", 130, 11, 700, 60, 1, 10},
    {"no lines per page, top margin above the paper", 70, 24, -30, 0, 1, 10},
    {"60 a page, top margin far above the paper, in copies", 70, 11, -200, 60, 2, 10},
    {"left margin left of the paper", 61, 11, 10, 60, 1, 40, -30},
    {"left margin past the paper's right edge", 61, 11, 10, 60, 1, 40, 999},
    {"negative lines per page, in copies", 61, 20, 10, -5, 2, 10},
    {"no lines", 0, 20, 10, 60, 2, 10},
};

} // namespace

TEST_F(PrinterLayer, EveryLineIsPrintedOnThePaperAndEveryPageStartsASheet)
{
    print::RecordingDevice recorder;
    print::Printer& printer = print::printer();
    const int pageHeight = printer.pageHeight();
    const int pageWidth = printer.pageWidth();
    for (const Layout& row : layouts) {
        const QFont font("Liberation Mono", row.size);
        printer.canvas().setFont(font);
        const int height = printer.canvas().textHeight("W");
        const int width = printer.canvas().textWidth("W");
        const std::vector<std::string> lines = numbered(row);
        print::printTextPages(printer, lines, font, "T", {row.linesPerPage, row.copies, row.leftMargin, row.topMargin});
        const auto& sheets = recorder.jobs().back().sheets;
        const int copies = std::max(1, row.copies);
        ASSERT_EQ(sheets.size() % copies, 0u) << row.id;
        // Margins are kept only where they put the text on the paper.
        const int top = row.topMargin >= 0 && row.topMargin * 10 + height <= pageHeight ? row.topMargin * 10 : 0;
        const int left = row.leftMargin >= 0 && row.leftMargin * 10 + width <= pageWidth ? row.leftMargin * 10 : 0;

        std::vector<std::vector<std::string>> distinct;
        int next = 0; // index of the next line of the text
        for (size_t s = 0; s < sheets.size(); s += copies) {
            std::vector<std::string> texts;
            for (const auto& line : sheets[s].lines)
                texts.push_back(line.text);
            for (int copy = 1; copy < copies; ++copy) {
                std::vector<std::string> again;
                for (const auto& line : sheets[s + copy].lines)
                    again.push_back(line.text);
                EXPECT_EQ(again, texts) << row.id << ": copy " << copy << " of sheet " << s;
            }
            std::vector<std::string> misplaced;
            for (size_t k = 0; k < sheets[s].lines.size(); ++k) {
                const auto& line = sheets[s].lines[k];
                if (line.y != top + static_cast<int>(k) * height || line.y + height > pageHeight || line.x != left)
                    misplaced.push_back(line.text + " at " + std::to_string(line.x) + ", " + std::to_string(line.y));
            }
            EXPECT_EQ(misplaced, std::vector<std::string>{})
                << row.id << ": lines one below the other from the margins, on the paper";
            const int count = static_cast<int>(texts.size());
            if (row.linesPerPage >= 1) {
                EXPECT_LE(count, row.linesPerPage) << row.id;
                EXPECT_LE((next % row.linesPerPage) + count, row.linesPerPage)
                    << row.id << ": sheet " << s << " runs into the next page";
            }
            next += count;
            // A sheet ends before its page only where the next line would not fit below its last.
            const bool pageEnds =
                next == static_cast<int>(lines.size()) || (row.linesPerPage >= 1 && next % row.linesPerPage == 0);
            if (!pageEnds) {
                EXPECT_GT(top + (count + 1) * height, pageHeight) << row.id << ": sheet " << s << " ends early";
            }
            distinct.push_back(texts);
        }
        std::vector<std::string> printed;
        for (const auto& sheet : distinct)
            printed.insert(printed.end(), sheet.begin(), sheet.end());
        EXPECT_EQ(printed, lines) << row.id << ": every line once, in order";
    }
}

TEST_F(PrinterLayer, EveryLineReadsBackFromThePdfPrint)
{
    QTemporaryDir folder;
    setenv("STYLARA_PRINT_DIR", folder.path().toUtf8().constData(), 1);
    print::Printer& printer = print::printer();
    int job = 0;
    for (const Layout& row : layouts) {
        if (row.lineLength > 60)
            continue; // wider than the sheet at this size: pdftotext would read only part of it
        const std::vector<std::string> lines = numbered(row);
        print::printTextPages(printer, lines, QFont("Liberation Mono", row.size), "T",
                              {row.linesPerPage, row.copies, row.leftMargin, row.topMargin});
        char name[32];
        std::snprintf(name, sizeof name, "job-%04d.pdf", ++job);
        const std::vector<std::vector<std::string>> sheets = pdfSheets(folder.filePath(name));
        std::vector<std::string> read;
        for (const auto& sheet : sheets)
            read.insert(read.end(), sheet.begin(), sheet.end());
        std::vector<std::vector<std::string>> expected;
        for (size_t s = 0; s < sheets.size(); s += std::max(1, row.copies))
            expected.push_back(sheets[s]);
        EXPECT_EQ(read, withCopies(expected, row.copies)) << row.id << ": each sheet once per copy";
        std::vector<std::string> once;
        for (const auto& sheet : expected)
            once.insert(once.end(), sheet.begin(), sheet.end());
        EXPECT_EQ(once, lines) << row.id << ": every line on the paper, in order";
        for (const auto& sheet : expected) {
            if (row.linesPerPage < 1 || sheet.empty())
                continue;
            const int first = std::stoi(sheet.front().substr(5));
            const int last = std::stoi(sheet.back().substr(5));
            EXPECT_EQ((first - 1) / row.linesPerPage, (last - 1) / row.linesPerPage)
                << row.id << ": " << sheet.front() << " shares a sheet with the next page";
        }
    }
    unsetenv("STYLARA_PRINT_DIR");
}
