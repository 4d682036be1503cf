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
    void SetUp() override {
        print::resetPrinter();
        print::setInstalledPrinters(std::vector<std::string>{"Laser A", "Laser B"});
    }
    void TearDown() override {
        print::setInstalledPrinters(std::nullopt);
        print::resetPrinter();
    }
};
} // namespace

TEST_F(PrinterLayer, EveryJobBecomesAPdfFileInThePrintFolder) {
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

TEST_F(PrinterLayer, ScreenFontKeepsItsPointSizeOnThePrinter) {
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

TEST_F(PrinterLayer, JobCarriesPrinterTitleCopiesAndRefusesOutsideAJob) {
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

TEST_F(PrinterLayer, DialogSharesCopiesWithThePrinterAndCancelChangesNothing) {
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

TEST_F(PrinterLayer, WithoutLinesPerPageEachSheetTakesWhatFitsItsHeight)
{
    print::RecordingDevice recorder;
    print::Printer& printer = print::printer();
    const QFont font("Liberation Mono", 20);
    printer.canvas().setFont(font);
    const int height = printer.canvas().textHeight("W");
    const int pageHeight = printer.pageHeight();
    ASSERT_GT(height, 0);
    struct Row {
        const char* id;
        int lines;
        int linesPerPage;
        int copies;
        int topMargin;
    };
    const Row rows[] = {
        {"no lines per page, 61 lines", 61, 0, 1, 10},
        {"negative, in copies", 61, -5, 2, 10},
        {"a text that fits one sheet", 5, 0, 1, 10},
        {"a top margin below the paper: one line a sheet", 3, 0, 1, pageHeight},
        {"lines per page given: kept as given", 61, 60, 1, 10},
    };
    for (const Row& row : rows) {
        std::vector<std::string> lines;
        for (int i = 1; i <= row.lines; ++i)
            lines.push_back("LINE " + std::to_string(i));
        print::printTextPages(printer, lines, font, "T", {row.linesPerPage, row.copies, 20, row.topMargin});
        const auto& sheets = recorder.jobs().back().sheets;
        const int top = row.topMargin * 10;
        const int perSheet = row.linesPerPage >= 1 ? row.linesPerPage : std::max(1, (pageHeight - top) / height);
        std::vector<std::string> printed;
        for (size_t s = 0; s < sheets.size(); s += static_cast<size_t>(row.copies)) {
            for (int copy = 1; copy < row.copies; ++copy)
                EXPECT_EQ(sheets[s + copy].lines.size(), sheets[s].lines.size()) << row.id;
            ASSERT_FALSE(sheets[s].lines.empty()) << row.id;
            EXPECT_LE(static_cast<int>(sheets[s].lines.size()), perSheet) << row.id;
            for (const auto& line : sheets[s].lines) {
                printed.push_back(line.text);
                if (row.linesPerPage < 1 && sheets[s].lines.size() > 1) {
                    EXPECT_LE(line.y + height, pageHeight) << row.id << ": " << line.text << " is on the paper";
                }
            }
            if (s + row.copies < sheets.size() && row.linesPerPage < 1) {
                EXPECT_GT(sheets[s].lines.back().y + 2 * height, pageHeight)
                    << row.id << ": the next line would not fit";
            }
        }
        EXPECT_EQ(printed, lines) << row.id << ": every line once per copy, in order";
    }
    EXPECT_GT(recorder.jobs()[0].sheets.size(), 1u) << "61 lines at 20 points need more than one sheet";
}
