#include "print/Printer.h"
#include "TestSupport.h"
#include "print/InstalledPrinters.h"
#include "print/PrintDialog.h"
#include "print/RecordingDevice.h"
#include "win/LibraryError.h"

#include <QDir>
#include <QPdfDocument>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

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

std::string run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(20000);
    return (process.readAllStandardOutput() + process.readAllStandardError()).toStdString();
}

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
    EXPECT_NE(run("qpdf", {"--check", first}).find("No syntax or stream encoding errors"), std::string::npos);
    QPdfDocument document;
    ASSERT_EQ(document.load(first), QPdfDocument::Error::None);
    EXPECT_EQ(document.pageCount(), 2);
    EXPECT_NE(run("pdftotext", {"-f", "2", "-l", "2", first, "-"}).find("SECOND SHEET"), std::string::npos);
    EXPECT_EQ(run("pdftotext", {first, "-"}).find("ANOTHER JOB"), std::string::npos);
    EXPECT_NE(run("pdftotext", {second, "-"}).find("ANOTHER JOB"), std::string::npos);
    EXPECT_NE(run("pdfinfo", {first}).find("Norvane Stylara"), std::string::npos) << "the job's title";
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
