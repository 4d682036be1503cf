#include "ui/AnsiText.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "ui/SortedStrings.h"
#include "win/LibraryError.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace ui;

TEST(MessageBox, RecorderAnswersInOrderThenWithTheDefault)
{
    BoxRecorder boxes;
    boxes.queueAnswers({IDNO});
    EXPECT_EQ(MessageBox("First?", "Confirm", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBox("Second?", "Confirm", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2), IDNO) << "default No";
    EXPECT_EQ(MessageBox("Third?", "Confirm", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(MessageBox("Done", "Note", MB_OK | MB_ICONINFORMATION), IDOK);
    ASSERT_EQ(boxes.boxes().size(), 4u);
    EXPECT_EQ(boxes.boxes()[0].icon(), "question");
    EXPECT_EQ(boxes.boxes()[3].caption, "Note");
    EXPECT_EQ(boxes.boxes()[3].icon(), "information");
}

TEST(MessageBox, LogModeWritesOneLineAndAnswersTheDefault)
{
    setenv("STYLARA_BOXES", "log", 1);
    testing::internal::CaptureStderr();
    const int answer = MessageBox("Two\nlines", "Stylara - Error", MB_OK | MB_ICONERROR);
    const int question = MessageBox("Sure?", "Confirm", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    const std::string log = testing::internal::GetCapturedStderr();
    unsetenv("STYLARA_BOXES");
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(question, IDNO);
    EXPECT_EQ(log, "Stylara - Error | error | Two lines\nConfirm | question | Sure?\n");
}

TEST(MessageBox, CaptionStandsAloneAndFitsTheBox)
{
    setApplicationTitle("Norvane Stylara");
    EXPECT_NE(QGuiApplication::applicationDisplayName().toStdString(), "Norvane Stylara")
        << "the platform appends the display name to every caption";
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    for (const char* caption : {"Norvane Stylara - Error", "Norvane Stylara PDF Viewer - Error", "Note"}) {
        QString shownCaption;
        int width = 0;
        // The box runs its own loop: the timer looks at it from inside and presses its button.
        QTimer look;
        QElapsedTimer clock;
        clock.start();
        QObject::connect(&look, &QTimer::timeout, [&] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(window);
                if (!box || !box->isVisible())
                    continue;
                shownCaption = box->windowTitle();
                width = box->width();
                if (!box->buttons().isEmpty())
                    box->buttons().front()->click();
                if (clock.elapsed() > 5000)
                    box->reject();
            }
        });
        look.start(10);
        EXPECT_EQ(MessageBox("Ok.", caption, MB_OK | MB_ICONERROR), IDOK) << caption;
        EXPECT_EQ(shownCaption.toStdString(), caption);
        EXPECT_GE(width, QFontMetrics(titleFont).horizontalAdvance(caption) + 100) << caption;
    }
}

TEST(ErrorBox, HandlerErrorEndsTheHandlerAndShowsTheApplicationBox)
{
    BoxRecorder boxes;
    setApplicationTitle("Norvane Stylara");
    bool after = false;
    runHandler([&] {
        throw win::LibraryError("Unable to write to C:\\Stylara\\tablet.ini");
        after = true;
    });
    runHandler([] { throw win::LibraryError("'abc' is not a valid integer value."); });
    EXPECT_FALSE(after);
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[0].text, "Unable to write to C:\\Stylara\\tablet.ini.") << "a full stop is added";
    EXPECT_EQ(boxes.boxes()[0].caption, "Norvane Stylara");
    EXPECT_EQ(boxes.boxes()[0].icon(), "error");
    EXPECT_EQ(boxes.boxes()[1].text, "'abc' is not a valid integer value.") << "no second stop";
}

TEST(ErrorBox, EntryShowsOnlyTheClassLibraryErrorsMessage)
{
    setApplicationTitle("Norvane Stylara");
    struct Row {
        const char* id;
        std::function<void()> steps;
        const char* shown;
    };
    const Row rows[] = {
        {"class-library error", [] { throw win::LibraryError("Cannot create file C:\\Stylara\\plist"); },
         "Cannot create file C:\\Stylara\\plist."},
        {"standard exception", [] { throw std::runtime_error("vector::_M_range_check"); }, ""},
        {"anything else", [] { throw 42; }, ""},
    };
    for (const Row& row : rows) {
        BoxRecorder boxes;
        bool after = false;
        runEntry([&] {
            row.steps();
            after = true;
        });
        EXPECT_FALSE(after) << row.id;
        ASSERT_EQ(boxes.boxes().size(), 1u) << row.id;
        EXPECT_EQ(boxes.boxes()[0].text, row.shown) << row.id;
        EXPECT_EQ(boxes.boxes()[0].caption, "Norvane Stylara") << row.id;
        EXPECT_EQ(boxes.boxes()[0].icon(), "error") << row.id;
    }
}

TEST(SortedStrings, ClassLibraryOrderAndBounds)
{
    SortedStrings list;
    for (const char* item : {"beta", "Alpha", "alpha", "gamma", "Beta2", "ALPHA"})
        list.Add(item);
    const std::vector<std::string> expected = {"Alpha", "alpha", "ALPHA", "beta", "Beta2", "gamma"};
    EXPECT_EQ(list.items(), expected) << "case ignored; equal items keep the order they came in";
    try {
        (void)list[-1];
        ADD_FAILURE() << "no error";
    } catch (const win::LibraryError& error) {
        EXPECT_STREQ(error.what(), "List index out of bounds (-1)");
    }
    EXPECT_THROW((void)list[6], win::LibraryError);
}

TEST(ScreenCursor, HourglassAndBack)
{
    setScreenCursor(Cursor::Hourglass);
    EXPECT_EQ(screenCursor(), Cursor::Hourglass);
    setScreenCursor(Cursor::Default);
    EXPECT_EQ(screenCursor(), Cursor::Default);
}

TEST(AnsiText, Windows1252BothWays)
{
    struct Row {
        const char* id;
        std::string bytes;
        QString text;
    };
    const Row rows[] = {
        {"plain", "INVOICE 100", "INVOICE 100"},
        {"Latin-1 half",
         "M\xfcller, Stra\xdf"
         "e \xe9\xff",
         QString::fromUtf8("Müller, Straße éÿ")},
        {"the table above 0x7F", "\x80\x85\x8a\x93\x94\x96\x99\x9f", QString::fromUtf8("€…Š“”–™Ÿ")},
        {"unassigned bytes stay C1 controls", "\x81\x8d\x8f\x90\x9d",
         QString(QChar(0x81)) + QChar(0x8D) + QChar(0x8F) + QChar(0x90) + QChar(0x9D)},
        {"NUL inside", std::string("a\0b", 3), QString(QChar('a')) + QChar(0) + QChar('b')},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(fromAnsi(row.bytes), row.text) << row.id;
        EXPECT_EQ(toAnsi(row.text), row.bytes) << row.id;
    }
    EXPECT_EQ(toAnsi(QString::fromUtf8("Ω → 😀.")), "? ? ?.") << "one \"?\" per character the code page lacks";
    EXPECT_EQ(documentFromAnsi("K\xfc"
                               "che\r\nbr\xfc"
                               "cke\rend\n\r\n"),
              QString::fromUtf8("Küche\nbrücke\nend\n\n"));
}
