#include "PadFixture.h"
#include "ui/Application.h"

#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWindow>

#include <functional>
#include <vector>

namespace {

// The status line as the signer sees it: every text that was painted, in order.
class StatusLog : public QObject {
public:
    explicit StatusLog(QLabel* label) : m_label(label) { label->installEventFilter(this); }
    std::vector<std::string> texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint) {
            const std::string text = m_label->text().toStdString();
            if (texts.empty() || texts.back() != text)
                texts.push_back(text);
        }
        return false;
    }

private:
    QLabel* m_label;
};

} // namespace

class PadScreens : public PadFixture {
protected:
    void SetUp() override
    {
        PadFixture::SetUp();
        form_adobe->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form_adobe));
        status = std::make_unique<StatusLog>(form_adobe->lab_status);
    }
    void request(int lineCount, const std::string& first)
    {
        globals.ApprovalPassed = false;
        globals.ApprovalLineCount = lineCount;
        globals.ApprovalLines[0] = first;
        globals.ApprovalLines[1].clear();
        globals.ApprovalLines[2].clear();
    }
    std::unique_ptr<StatusLog> status;
};

TEST_F(PadScreens, ModelCheck)
{
    struct Row {
        const char* id;
        const char* windowsDir;
        const char* driverFile; // where "SigPlus.ini" is written; nullptr: nowhere
        const char* contents;
        bool result;
        const char* box;
        bool endsProgram;
    };
    const std::string unsupported = "The selected Topaz tablet (siglitelcd1x5) is not currently supported.";
    const Row rows[] = {
        {"SigLite", "C:\\windows", "C:\\windows\\SigPlus.ini", "[Tablet]\nTabletModel=SigLiteLCD1X5\n", true, nullptr,
         false},
        {"SignatureGem, keys in any case", "C:\\windows", "C:\\windows\\SigPlus.ini",
         "[TABLET]\r\ntabletmodel = SignatureGemLCD1X5\r\n", true, nullptr, false},
        {"other letter case", "C:\\windows", "C:\\windows\\SigPlus.ini", "[Tablet]\nTabletModel=siglitelcd1x5\n", false,
         unsupported.c_str(), true},
        {"no model", "C:\\windows", "C:\\windows\\SigPlus.ini", "[Tablet]\n", false,
         "The selected Topaz tablet () is not currently supported.", true},
        {"missing file", "C:\\windows", nullptr, "", false, "The Topaz driver software is not properly installed.",
         false},
        {"empty WindowsDir looks in c:\\windows", "", "C:\\windows\\SigPlus.ini",
         "[Tablet]\nTabletModel=SigLiteLCD1X5\n", true, nullptr, false},
        {"WindowsDir elsewhere", "D:\\WINNT", "C:\\windows\\SigPlus.ini", "[Tablet]\nTabletModel=SigLiteLCD1X5\n",
         false, "The Topaz driver software is not properly installed.", false},
    };
    for (const Row& row : rows) {
        boxes.clear();
        ui::ResetApplication();
        std::remove(install.native("C:\\windows\\SigPlus.ini").c_str());
        if (row.driverFile)
            install.write(row.driverFile, row.contents);
        globals.WindowsDir = row.windowsDir;
        globals.TabletPresent = !row.result;
        globals.LcdTablet = row.result ? 0 : 1;

        EXPECT_EQ(CheckTabletModel(), row.result) << row.id;
        EXPECT_EQ(globals.TabletPresent, row.result) << row.id;
        EXPECT_EQ(globals.LcdTablet, row.result ? 1 : 0) << row.id;
        EXPECT_EQ(ui::ApplicationTerminated(), row.endsProgram) << row.id;
        ASSERT_EQ(boxes.boxes().size(), row.box ? 1u : 0u) << row.id;
        if (row.box) {
            EXPECT_EQ(boxes.boxes()[0].text, row.box) << row.id;
            EXPECT_EQ(boxes.boxes()[0].caption, "Norvane Stylara") << row.id;
            EXPECT_EQ(boxes.boxes()[0].icon(), "error") << row.id;
            EXPECT_EQ(ui::lastWindowBroughtToFront(), form_adobe) << row.id;
        }
    }
    ui::ResetApplication();
}

TEST_F(PadScreens, IdleScreen)
{
    // The start-up has put the stock welcome picture up.
    expectScreen("pad_welcome.png");
    EXPECT_EQ(pad().TabletState, 1);
    EXPECT_EQ(pad().LCDCaptureMode, 2);

    globals.WelcomeText = "Norvane Stylara Welcomes You";
    ShowTabletWelcome(false);
    expectScreen("pad_welcome_text.png");

    // A custom picture loaded at start replaces the stock one.
    globals.WelcomeText.clear();
    form_images->im_welcome = QImage(240, 64, QImage::Format_RGB32);
    form_images->im_welcome.fill(Qt::white);
    form_images->im_welcome.setPixel(5, 6, qRgb(0, 0, 0));
    ShowTabletWelcome(false);
    EXPECT_TRUE(pad().lcd().lit(5, 6));
    EXPECT_FALSE(pad().lcd().lit(20, 30));

    // The idle screen never inks, and leaves the hot spots alone.
    pad().KeyPadAddHotSpot(4, 1, 0, 0, 240, 64);
    pad().LCDSetWindow(0, 0, 240, 64);
    ShowTabletWelcome(false);
    pad().penDown({60, 30});
    pad().penMove({90, 30});
    pad().penUp();
    EXPECT_FALSE(pad().lcd().lit(75, 30));
    EXPECT_GT(pad().KeyPadQueryHotSpot(4), 0);

    // Without a pad nothing is drawn.
    globals.TabletPresent = false;
    globals.WelcomeText = "Hello";
    ShowTabletWelcome(true);
    EXPECT_TRUE(pad().lcd().lit(5, 6));
}

TEST_F(PadScreens, ApprovalThenSigning)
{
    request(1, "Total due: $125.40");
    QSignalSpy penDowns(&pad(), &TSigPlus::OnPenDown);
    PrepareTablet();

    expectScreen("pad_approval.png");
    EXPECT_EQ(status->texts, (std::vector<std::string>{"Preparing signature tablet...", ""}));
    EXPECT_TRUE(globals.ApprovalPassed);
    EXPECT_TRUE(globals.ApprovalShowing);
    EXPECT_TRUE(form_waiting->isVisible());
    EXPECT_TRUE(pad().isHidden()) << "no signature preview while approving";
    EXPECT_EQ(ui::screenCursor(), ui::Cursor::Default);
    EXPECT_EQ(touch(200, 25), "0");
    EXPECT_EQ(touch(200, 40), "1");
    EXPECT_EQ(touch(60, 30), "") << "no writing box on the approval screen";
    EXPECT_EQ(penDowns.count(), 3) << "pen-down events enabled";

    // OK on the approval screen comes back here: straight to the signing screen.
    form_waiting->hide();
    status->texts.clear();
    PrepareTablet();
    expectScreen("pad_signing.png");
    EXPECT_EQ(status->texts, (std::vector<std::string>{"", "Waiting for signature..."}));
    EXPECT_FALSE(globals.ApprovalShowing);
    EXPECT_FALSE(form_waiting->isVisible());
    EXPECT_FALSE(pad().isHidden());
    EXPECT_EQ(ui::screenCursor(), ui::Cursor::Default) << "no hourglass while waiting";
    EXPECT_EQ(touch(200, 25), "0");
    EXPECT_EQ(touch(200, 40), "1");
    EXPECT_EQ(touch(60, 30), "2");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(PadScreens, NoApprovalLinesGivesTheSigningScreenAtOnce)
{
    request(0, "");
    PrepareTablet();
    expectScreen("pad_signing.png");
    EXPECT_EQ(status->texts,
              (std::vector<std::string>{"Preparing signature tablet...", "", "Waiting for signature..."}));
    EXPECT_FALSE(form_waiting->isVisible());
    EXPECT_FALSE(globals.ApprovalShowing);
    EXPECT_TRUE(globals.ApprovalPassed);

    // Ink and capture inside the writing box only, in logical coordinates over 2000 by 700.
    pad().penDown({5, 30});
    pad().penMove({100, 30});
    pad().penMove({100, 60});
    pad().penUp();
    EXPECT_TRUE(pad().lcd().lit(50, 30));
    EXPECT_FALSE(pad().lcd().lit(100, 58)) << "below the box: the frame's picture only";
    ASSERT_EQ(pad().GetNumberOfStrokes(), 1);
    ASSERT_EQ(pad().GetNumPointsForStroke(0), 1);
    EXPECT_EQ(QPoint(pad().GetPointXValue(0, 0), pad().GetPointYValue(0, 0)), QPoint(850, 328));

    // A new request with lines while the last stage was passed would skip the approval: the
    // handshake clears ApprovalPassed first, which brings it back.
    request(2, "Line one");
    globals.Unattended = true;
    PrepareTablet();
    EXPECT_TRUE(globals.ApprovalShowing);
    EXPECT_FALSE(form_waiting->isVisible()) << "unattended: no waiting box";
}

TEST_F(PadScreens, HotSpotOffsetsMoveOnlyTheTouchAreas)
{
    struct Row {
        const char* id;
        int hor, ver;
        QRect zero, one;
    };
    const Row rows[] = {
        {"no offsets", 0, 0, QRect(185, 20, 45, 10), QRect(185, 33, 45, 16)},
        {"HOR 10, VER -10", 10, -10, QRect(195, 10, 45, 10), QRect(195, 23, 45, 16)},
        {"HOR -10, VER 10", -10, 10, QRect(175, 30, 45, 10), QRect(175, 43, 45, 16)},
    };
    for (const Row& row : rows) {
        globals.HotSpotOffsetX = row.hor;
        globals.HotSpotOffsetY = row.ver;
        request(0, "");
        PrepareTablet();
        expectScreen("pad_signing.png");
        for (const auto& [key, area] : {std::pair{'0', row.zero}, std::pair{'1', row.one}}) {
            const std::string hit(1, key);
            EXPECT_NE(touch(area.left(), area.top()).find(hit), std::string::npos) << row.id << " " << key;
            EXPECT_NE(touch(area.right() + 0.5, area.bottom() + 0.5).find(hit), std::string::npos)
                << row.id << " " << key;
            EXPECT_EQ(touch(area.left() - 0.5, area.top()).find(hit), std::string::npos) << row.id << " " << key;
            EXPECT_EQ(touch(area.right() + 1, area.top()).find(hit), std::string::npos) << row.id << " " << key;
            EXPECT_EQ(touch(area.left(), area.bottom() + 1).find(hit), std::string::npos) << row.id << " " << key;
        }
    }
}

TEST_F(PadScreens, PadMessage)
{
    request(0, "");
    PrepareTablet();
    const QImage plain = pad().lcd().image();

    struct Row {
        const char* id;
        bool enabled;
        const char* text;
        bool written;
    };
    const Row rows[] = {
        {"enabled with text", true, "Sign inside the box", true},
        {"enabled, empty", true, "", false},
        {"disabled", false, "Sign inside the box", false},
    };
    for (const Row& row : rows) {
        globals.PadMessageEnabled = row.enabled;
        globals.PadMessageText = row.text;
        request(0, "");
        PrepareTablet();
        const QImage screen = pad().lcd().image();
        EXPECT_EQ(screen != plain, row.written) << row.id;
        // The message stands at (16, 0) in a 14-pixel cell and only adds pixels there.
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 240; ++x) {
                if (screen.pixelIndex(x, y) != plain.pixelIndex(x, y)) {
                    ASSERT_TRUE(QRect(16, 0, 224, 14).contains(x, y)) << row.id << " " << x << "," << y;
                    ASSERT_EQ(screen.pixelIndex(x, y), 1) << row.id << " " << x << "," << y;
                }
            }
    }
    // Written again, as the pen handler does after Clear, the message looks the same.
    globals.PadMessageEnabled = true;
    globals.PadMessageText = "Sign inside the box";
    ShowTabletMessage();
    const QImage once = pad().lcd().image();
    ShowTabletMessage();
    EXPECT_EQ(pad().lcd().image(), once);
}

TEST_F(PadScreens, WithoutAPadOnlyReports)
{
    globals.TabletPresent = false;
    request(1, "Approve?");
    const QImage before = pad().lcd().image();
    PrepareTablet();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "No Topaz tablet is installed so a signature cannot be captured...");
    EXPECT_EQ(boxes.boxes()[0].caption, "Norvane Stylara");
    EXPECT_EQ(boxes.boxes()[0].icon(), "information");
    EXPECT_FALSE(globals.ApprovalPassed);
    EXPECT_FALSE(form_waiting->isVisible());
    EXPECT_EQ(pad().lcd().image(), before);
    EXPECT_TRUE(status->texts.empty() || status->texts == std::vector<std::string>{""});
}

TEST_F(PadScreens, TrayMenuOnTheVirtualPadWhereNoTrayIs)
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "this desktop has a tray";
    QWidget* window = pad().virtualPad();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(30, 30), window->mapToGlobal(QPoint(30, 30)));
    QApplication::sendEvent(window, &click);
    EXPECT_TRUE(form_config->pm_main->isVisible());
    form_config->pm_main->hide();
}

// The pad window shown as on a desk, where the other tests keep it hidden.
class PadOnTheDesk : public PadScreens {
protected:
    void beforeStart() override { unsetenv("STYLARA_PAD"); }
    void TearDown() override
    {
        PadScreens::TearDown();
        setenv("STYLARA_PAD", "hidden", 1);
    }
    QWidget* window() { return pad().virtualPad(); }
    // What the window manager's buttons do.
    bool closeIt() { return window()->windowHandle()->close(); }
    void minimiseIt()
    {
        window()->showMinimized();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    bool inFront() { return window()->isVisible() && !window()->isMinimized(); }
};

TEST_F(PadOnTheDesk, StaysWithTheSignerWhileADocumentWaits)
{
    struct Row {
        const char* id;
        std::function<void()> screen;
        bool waits;
    };
    const Row rows[] = {
        {"approval screen",
         [this] {
             request(1, "Total due: $125.40");
             PrepareTablet();
         },
         true},
        {"signing screen",
         [this] {
             request(0, "");
             PrepareTablet();
         },
         true},
        {"signature taken, the document open to be saved",
         [this] {
             request(0, "");
             PrepareTablet();
             ResetTablet();
         },
         false},
        {"idle screen after the document",
         [this] {
             request(0, "");
             PrepareTablet();
             ShowTabletWelcome(false);
         },
         false},
    };
    for (const Row& row : rows) {
        row.screen();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window())) << row.id;
        EXPECT_EQ(closeIt(), !row.waits) << row.id;
        EXPECT_EQ(window()->isVisible(), row.waits) << row.id << ": after the close";
        row.screen();
        EXPECT_TRUE(inFront()) << row.id << ": the next screen shows a closed pad";

        minimiseIt();
        EXPECT_EQ(window()->isMinimized(), !row.waits) << row.id << ": after minimising";
        request(1, "Next document");
        PrepareTablet();
        QCoreApplication::processEvents();
        EXPECT_TRUE(inFront()) << row.id << ": the next request shows a minimised pad";
        form_waiting->hide();
    }
}
