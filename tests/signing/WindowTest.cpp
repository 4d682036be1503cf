#include "SamplePdf.h"
#include "SigningFixture.h"
#include "acrobat/Acrobat.h"
#include "signing/Panel.h"
#include "signing/Sig_view.h"
#include "signing/Waiting_form.h"
#include "station/About_form.h"

#include <QAction>
#include <QLabel>
#include <QPdfView>
#include <QPushButton>

#include <cstdlib>
#include <filesystem>

using testing_support::waitUntil;

namespace {

class SigningWindow : public SigningFixture {
protected:
    void SetUp() override {
        SigningFixture::SetUp();
        globals.UnsignedPdfPath = globals.TempDir + "\\unsigned.pdf";
        globals.SignedPdfPath = globals.TempDir + "\\signed.pdf";
        globals.SourceTextPath = globals.TempDir + "\\source.pdf";
    }
    // A document on view, as the handshake leaves the window.
    void openDocument() {
        globals.SigningActive = true;
        form_adobe->show();
    }
};

} // namespace

TEST_F(SigningWindow, StatusTextSetsTheCursorUnlessUnattended) {
    struct Row {
        bool unattended;
        const char* text;
        ui::Cursor before;
        ui::Cursor after;
    };
    const Row rows[] = {
        {false, "Saving document...", ui::Cursor::Default, ui::Cursor::Hourglass},
        {false, "", ui::Cursor::Hourglass, ui::Cursor::Default},
        {true, "Saving document...", ui::Cursor::Default, ui::Cursor::Default},
        {true, "", ui::Cursor::Hourglass, ui::Cursor::Hourglass},
    };
    for (const Row& row : rows) {
        globals.Unattended = row.unattended;
        ui::setScreenCursor(row.before);
        form_adobe->SetStatusText(row.text);
        EXPECT_EQ(form_adobe->lab_status->text().toStdString(), row.text);
        EXPECT_EQ(ui::screenCursor(), row.after) << row.unattended << " '" << row.text << "'";
    }
}

TEST_F(SigningWindow, StaysMaximisedOverTheWorkAreaEachTimeItIsShown) {
    const QRect workArea = form_adobe->screen()->availableGeometry();
    for (int shown = 1; shown <= 2; ++shown) {
        form_adobe->setWindowState(Qt::WindowMaximized);
        openDocument();
        EXPECT_TRUE(form_adobe->isMaximized()) << "show " << shown;
        // Once the platform has answered, nothing it reports may take the state back.
        EXPECT_TRUE(waitUntil([&] { return form_adobe->frameGeometry() == workArea; })) << "show " << shown;
        EXPECT_TRUE(form_adobe->isMaximized()) << "show " << shown;
        form_adobe->hide();
    }
}

TEST_F(SigningWindow, AProcessEndingWithTheFormsAliveEndsCleanly) {
    // The forms then go with the statics at exit, the document view among them.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            globals.DisplayPdf = true;
            LoadAcrobat();
            std::filesystem::remove_all(install.root());
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(SigningWindow, CloseRemovesTheTempFilesOfTheRequest) {
    for (bool openAfterSave : {false, true}) {
        for (const char* name : {"unsigned.pdf", "signed.pdf", "source.pdf"})
            install.write(globals.TempDir + "\\" + name, "x");
        globals.OpenAfterSave = openAfterSave;
        globals.CloseWithoutAsking = true;
        openDocument();
        form_waiting->show();
        form_adobe->Close();
        EXPECT_FALSE(form_adobe->isVisible());
        EXPECT_FALSE(form_waiting->isVisible());
        EXPECT_FALSE(globals.SigningActive);
        EXPECT_EQ(ui::screenCursor(), ui::Cursor::Default);
        EXPECT_EQ(form_adobe->lab_status->text().toStdString(), "");
        EXPECT_FALSE(install.exists("C:\\Stylara\\Temp\\unsigned.pdf")) << openAfterSave;
        EXPECT_FALSE(install.exists("C:\\Stylara\\Temp\\source.pdf")) << openAfterSave;
        EXPECT_EQ(install.exists("C:\\Stylara\\Temp\\signed.pdf"), openAfterSave)
            << "the signed PDF stays only for the viewer opened on it";
    }
    EXPECT_TRUE(boxes.boxes().empty()) << "missing files are skipped silently";
    form_adobe->Close();
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(SigningWindow, CloseAsksOnlyWhileASignatureIsAwaited) {
    struct Row {
        const char* id;
        bool signingActive;
        bool approvalShowing;
        bool closeWithoutAsking;
        int answer; // to the discard question, when asked
        bool asked;
        bool closed;
    };
    const Row rows[] = {
        {"no signing", false, false, false, 0, false, true},
        {"approval screen", true, true, false, 0, false, true},
        {"close without asking", true, false, true, 0, false, true},
        {"awaiting signature, No", true, false, false, ui::IDNO, true, false},
        {"awaiting signature, Yes", true, false, false, ui::IDYES, true, true},
    };
    for (const Row& row : rows) {
        boxes.clear();
        form_adobe->show();
        globals.SigningActive = row.signingActive;
        globals.ApprovalShowing = row.approvalShowing;
        globals.CloseWithoutAsking = row.closeWithoutAsking;
        if (row.answer) boxes.queueAnswers({row.answer});
        form_adobe->Exit1Click();
        ASSERT_EQ(boxes.boxes().size(), row.asked ? 1u : 0u) << row.id;
        if (row.asked) {
            const ui::Box& box = boxes.boxes()[0];
            EXPECT_EQ(box.text, "Discard document and close program?") << row.id;
            EXPECT_EQ(box.caption, "Confirm") << row.id;
            EXPECT_EQ(box.icon(), "question") << row.id;
            EXPECT_EQ(box.defaultAnswer(), ui::IDYES) << row.id;
            EXPECT_EQ(ui::lastWindowBroughtToFront(), form_adobe) << row.id;
        }
        EXPECT_EQ(!form_adobe->isVisible(), row.closed) << row.id;
        EXPECT_EQ(globals.SigningActive, row.signingActive && !row.closed) << row.id;
    }
}

TEST_F(SigningWindow, WaitingBoxShowsThePromptsAndMakesTheWindowBeep) {
    openDocument();
    globals.TextMode = true;
    globals.ApprovalLines[0] = "I agree";
    form_waiting->show();
    EXPECT_EQ(form_waiting->memo->toPlainText().toStdString(), " I agree\n \n ") << "always three lines";
    EXPECT_FALSE(form_adobe->but_print->isEnabled());
    EXPECT_FALSE(form_adobe->but_cancel->isEnabled());
    EXPECT_FALSE(form_adobe->Panel1->isEnabled());

    const int beeps = ui::beepCount();
    form_adobe->Print1Click();
    form_adobe->but_printClick();
    form_adobe->About1Click();
    form_adobe->but_saveClick();
    form_adobe->but_cancelClick();
    EXPECT_EQ(ui::beepCount(), beeps + 5);
    EXPECT_FALSE(form_about->isVisible());
    EXPECT_TRUE(form_adobe->isVisible());
    EXPECT_TRUE(printed.jobs().empty());
    EXPECT_TRUE(boxes.boxes().empty());

    form_waiting->hide();
    EXPECT_TRUE(form_adobe->but_print->isEnabled());
    EXPECT_TRUE(form_adobe->but_cancel->isEnabled());
    EXPECT_TRUE(form_adobe->Panel1->isEnabled());
    form_adobe->About1Click();
    EXPECT_TRUE(form_about->isVisible());
}

TEST_F(SigningWindow, WaitingBoxCancelDiscardsTheDocumentOnYes) {
    openDocument();
    globals.ApprovalShowing = true;
    form_waiting->show();
    boxes.queueAnswers({ui::IDNO});
    form_waiting->but_cancel->click();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Discard document and close program?");
    EXPECT_EQ(boxes.boxes()[0].defaultAnswer(), ui::IDNO);
    EXPECT_TRUE(form_waiting->isVisible());
    EXPECT_TRUE(form_adobe->isVisible());

    boxes.queueAnswers({ui::IDYES});
    form_waiting->but_cancel->click();
    EXPECT_FALSE(form_waiting->isVisible());
    EXPECT_FALSE(form_adobe->isVisible());
    EXPECT_FALSE(globals.SigningActive);
    EXPECT_EQ(boxes.boxes().size(), 2u) << "the approval screen closes the window without a second question";
}

TEST_F(SigningWindow, PrintButtonAsksAboutAnUnsignedPdfOnly) {
    openDocument();
    // No document on view: the print commands go dark.
    globals.TextMode = false;
    globals.DisplayPdf = false;
    const int beeps = ui::beepCount();
    form_adobe->but_printClick();
    EXPECT_EQ(ui::beepCount(), beeps + 1);
    EXPECT_FALSE(form_adobe->but_print->isEnabled());
    EXPECT_FALSE(form_adobe->Print1->isEnabled());
    EXPECT_TRUE(boxes.boxes().empty());

    globals.DisplayPdf = true;
    boxes.queueAnswers({ui::IDNO});
    form_adobe->Print1Click();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Print this UNSIGNED document?");
    EXPECT_EQ(boxes.boxes()[0].caption, "Confirm");
    EXPECT_EQ(boxes.boxes()[0].defaultAnswer(), ui::IDNO);

    // Signed, the PDF goes straight to the print question (answered No here).
    boxes.clear();
    globals.DocumentSigned = true;
    boxes.queueAnswers({ui::IDNO});
    form_adobe->but_printClick();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "No PDF or text document is available to print.");

    boxes.clear();
    showText("a text\n");
    globals.DocumentSigned = false;
    globals.PrintCopies = 1;
    globals.LinesPerPage = 60;
    form_adobe->but_printClick();
    ASSERT_EQ(boxes.boxes().size(), 1u) << "a text has no UNSIGNED question";
    EXPECT_EQ(boxes.boxes()[0].text, "Print this document on the default printer?");
    EXPECT_EQ(printed.jobs().size(), 1u);
}

TEST_F(SigningWindow, RendersAHostPdfInsideTheWindow) {
    install.write(globals.UnsignedPdfPath,
                  testing_support::handWrittenPdf(
                      {"NORVANE CORVIX LTD", "INVOICE 100", "Customer: Halvenor Supplies", "Amount due: 1,250.00"}));
    globals.DisplayPdf = true;
    LoadAcrobat();
    ASSERT_TRUE(OpenPdfInView(globals.UnsignedPdfPath));
    openDocument();
    form_adobe->setWindowState(Qt::WindowNoState);
    form_adobe->resize(1024, 768);
    EXPECT_FALSE(form_adobe->re_text->isVisible()) << "a PDF hides the text view";

    // The view keeps filling the document area as the window changes size.
    QPdfView* view = form_adobe->AcroAVDoc->view();
    ASSERT_TRUE(view);
    ASSERT_TRUE(waitUntil([&] { return view->geometry() == form_adobe->Panel1->rect(); }));

    // Pages are rendered in the background: grab until the document's ink is there.
    QImage shot;
    const QRect area = form_adobe->Panel1->geometry().translated(form_adobe->Panel1->mapTo(form_adobe, QPoint(0, 0)) -
                                                                 form_adobe->Panel1->pos());
    auto inked = [&] {
        shot = form_adobe->grab().toImage();
        int dark = 0;
        for (int y = area.top(); y < area.bottom(); y += 2)
            for (int x = area.left(); x < area.right(); x += 2)
                dark += qGray(shot.pixel(x, y)) < 60;
        return dark > 500;
    };
    EXPECT_TRUE(waitUntil(inked, 10000));
    shot.save(QString::fromStdString(testing_support::builtProgram("signing-window.png")));
}
