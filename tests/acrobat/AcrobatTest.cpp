#include "acrobat/Acrobat.h"
#include "SamplePdf.h"
#include "TestSupport.h"
#include "print/Printer.h"
#include "print/RecordingDevice.h"

#include <QPdfView>
#include <QWidget>

#include <gtest/gtest.h>

using testing_support::TempInstall;

namespace {

class AcrobatLayer : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::writeSamplePdf(install.native("C:\\Docs\\three.pdf"), {{"ONE"}, {"TWO"}, {"THREE"}});
        install.write("C:\\Docs\\broken.pdf", "%PDF-1.4\nthis is no PDF\n");
        window.resize(400, 300);
    }

    short open(CAcroAVDoc& view, const char* path) {
        return view.OpenInWindowEx(QString(path).toStdWString(), &window, 2, 0, 0, 0, 0, 0, 0, 0);
    }

    TempInstall install;
    QWidget window;
};

} // namespace

TEST_F(AcrobatLayer, OpenShowsTheDocumentInTheWindowAndCloseRemovesIt) {
    CAcroAVDoc view;
    EXPECT_FALSE(view.GetPDDoc()) << "no document before an open";
    EXPECT_FALSE(view.GetFrame());
    ASSERT_NE(open(view, "C:\\Docs\\three.pdf"), 0);
    ASSERT_TRUE(view.view());
    EXPECT_EQ(view.view()->parentWidget(), &window);
    EXPECT_EQ(view.view()->geometry(), window.rect()) << "the view fills its window";
    std::unique_ptr<CAcroPDDoc> document = view.GetPDDoc();
    ASSERT_TRUE(document);
    EXPECT_EQ(document->GetNumPages(), 3);
    EXPECT_TRUE(document->Close());
    EXPECT_TRUE(view.view()) << "letting go of the document object leaves the view";

    std::unique_ptr<CAcroRect> frame = view.GetFrame();
    ASSERT_TRUE(frame);
    EXPECT_EQ((std::vector<int>{frame->Left, frame->Top, frame->right, frame->bottom}),
              (std::vector<int>{0, 0, 400, 300}));
    frame->Left = 10;
    frame->Top = 20;
    frame->right = 110;
    frame->bottom = 70;
    EXPECT_TRUE(view.SetFrame(*frame));
    EXPECT_EQ(view.view()->geometry(), QRect(10, 20, 100, 50));

    EXPECT_TRUE(view.Close(0));
    EXPECT_FALSE(view.view());
    EXPECT_TRUE(window.findChildren<QPdfView*>().isEmpty());
    EXPECT_FALSE(view.GetPDDoc());
}

TEST_F(AcrobatLayer, RefusedFileAnswersZeroAndLeavesNoView) {
    struct Row {
        const char* id;
        const char* path;
    };
    const Row rows[] = {
        {"not a PDF", "C:\\Docs\\broken.pdf"},
        {"missing", "C:\\Docs\\missing.pdf"},
    };
    for (const Row& row : rows) {
        CAcroAVDoc view;
        ASSERT_NE(open(view, "C:\\Docs\\three.pdf"), 0) << row.id;
        EXPECT_EQ(open(view, row.path), 0) << row.id;
        EXPECT_FALSE(view.view()) << row.id;
        EXPECT_TRUE(window.findChildren<QPdfView*>().isEmpty()) << row.id << ": the previous document is gone too";
    }
}

TEST_F(AcrobatLayer, ApplicationClosesTheDocumentsOfEveryView) {
    CAcroApp application;
    CAcroAVDoc first;
    CAcroAVDoc second;
    ASSERT_NE(open(first, "C:\\Docs\\three.pdf"), 0);
    ASSERT_NE(open(second, "C:\\Docs\\three.pdf"), 0);
    EXPECT_TRUE(application.CloseAllDocs());
    EXPECT_FALSE(first.view());
    EXPECT_FALSE(second.view());
    EXPECT_TRUE(window.findChildren<QPdfView*>().isEmpty());
}

TEST_F(AcrobatLayer, PrintsTheAskedPagesInOrderOnTheDefaultPrinter) {
    print::RecordingDevice recorder;
    print::resetPrinter();
    print::printer().setCopies(3); // the program's own printer settings are not the application's
    CAcroAVDoc view;
    ASSERT_NE(open(view, "C:\\Docs\\three.pdf"), 0);
    EXPECT_TRUE(view.PrintPages(0, 2, 2, 1, 1));
    EXPECT_TRUE(view.PrintPages(1, 1, 2, 1, 1));
    ASSERT_EQ(recorder.jobs().size(), 2u);
    const auto& all = recorder.jobs()[0];
    EXPECT_EQ(all.job.printer, "");
    EXPECT_EQ(all.job.copies, 1);
    EXPECT_EQ(all.job.title, "three.pdf");
    EXPECT_TRUE(all.ended);
    std::vector<int> pages;
    for (const auto& job : recorder.jobs())
        for (const auto& sheet : job.sheets) {
            ASSERT_EQ(sheet.pictures.size(), 1u);
            pages.push_back(qRound(testing_support::sampleBarShare(sheet.pictures[0].image) * 792 / 36));
        }
    EXPECT_EQ(pages, (std::vector<int>{1, 2, 3, 2}));
    const QRect target = all.sheets[0].pictures[0].target;
    // A letter page shrunk onto the sheet's printable area (4800 by 6300 units).
    EXPECT_EQ(target.width(), 4800);
    EXPECT_NEAR(target.height(), 6600 * 4800 / 5100, 1);
    print::resetPrinter();
}

TEST_F(AcrobatLayer, FactoryMakesTheTwoObjectsAndFailsWhereATestSaysSo) {
    EXPECT_TRUE(acrobat::CreateAcroApp("AcroExch.App"));
    EXPECT_TRUE(acrobat::CreateAcroAVDoc("AcroExch.AVDoc"));
    EXPECT_FALSE(acrobat::CreateAcroApp("AcroExch.AVDoc"));
    EXPECT_FALSE(acrobat::CreateAcroAVDoc("AcroExch.PDDoc"));

    acrobat::FactoryOverride factory;
    factory.fail("AcroExch.AVDoc");
    EXPECT_TRUE(acrobat::CreateAcroApp("AcroExch.App"));
    EXPECT_FALSE(acrobat::CreateAcroAVDoc("AcroExch.AVDoc"));
    EXPECT_EQ(factory.attempts(), (std::vector<std::string>{"AcroExch.App", "AcroExch.AVDoc"}));
}
