// The built station on an X display of its own under a real window manager: whatever the window
// manager does to the pad window while a document waits, the screen shows the pad again within two
// seconds, and the signer signs with the mouse. What counts is what the screen shows, read back from
// the X server, not what the station believes of its window.
#include "TestSupport.h"
#include "host/HostSimulator.h"
#include "host/PcRequest.h"
#include "host/PdfMaker.h"
#include "host/Replies.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>

using testing_support::freePort;
using testing_support::waitUntil;
using testing_support::waitUntilListening;

namespace {

const QRgb glass = qRgb(196, 208, 176);
const QRgb ink = qRgb(24, 28, 40);
constexpr int screenWidth = 1024;
constexpr int screenHeight = 768;

// An X display of its own with a window manager on it, gone with the object.
class Desk {
public:
    explicit Desk(const QString& windowManager)
    {
        // A display that does not come up is started over: the test is about the pad, not about a
        // window manager that lost a race at its start on a busy machine.
        for (int attempt = 0; attempt < 3 && !ready && cannotStart.empty(); ++attempt) {
            if (attempt > 0)
                std::cerr << "the display is started over: " << trouble << "\n";
            stop();
            ready = start(windowManager);
        }
    }
    ~Desk() { stop(); }

    // A tool's standard output on this display, or nothing when it failed.
    std::optional<std::string> run(const QString& program, const QStringList& arguments) const
    {
        QProcess tool;
        tool.setProcessEnvironment(env);
        tool.start(program, arguments);
        if (!tool.waitForFinished(10000) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
            return std::nullopt;
        return tool.readAllStandardOutput().toStdString();
    }

    QString display;
    QProcessEnvironment env;
    std::string cannotStart; // why there is no display, where the programs cannot run at all
    bool ready = false;

    std::string trouble; // what went wrong at the last start

private:
    bool start(const QString& windowManager)
    {
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0",
                                QString("%1x%2x24").arg(screenWidth).arg(screenHeight)});
        if (!m_server.waitForStarted()) {
            cannotStart = "Xvfb cannot be started here";
            return false;
        }
        // Xvfb writes the display it took once it serves it.
        QElapsedTimer clock;
        clock.start();
        while (!m_server.canReadLine() && m_server.state() == QProcess::Running && clock.elapsed() < 10000)
            m_server.waitForReadyRead(200);
        if (!m_server.canReadLine()) {
            trouble = m_server.state() == QProcess::Running ? "Xvfb named no display"
                                                            : "Xvfb ended before it served a display";
            return false;
        }
        display = ":" + m_server.readLine().trimmed();
        env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display);
        m_windowManager.setProcessEnvironment(env);
        m_windowManager.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_windowManager.start(windowManager, {});
        if (!m_windowManager.waitForStarted()) {
            cannotStart = (windowManager + " cannot be started here").toStdString();
            return false;
        }
        // The window manager is at work once it names itself on the root window.
        if (waitUntil(
                [this] {
                    return m_windowManager.state() != QProcess::Running ||
                           run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).value_or("").find("window id") !=
                               std::string::npos;
                },
                10000) &&
            m_windowManager.state() == QProcess::Running)
            return true;
        trouble = (windowManager + (m_windowManager.state() == QProcess::Running
                                        ? " did not take display " + display
                                        : " ended on display " + display + " with status " +
                                              QString::number(m_windowManager.exitCode())))
                      .toStdString();
        return false;
    }

    void stop()
    {
        for (QProcess* process : {&m_windowManager, &m_server}) {
            if (process->state() == QProcess::NotRunning)
                continue;
            process->terminate();
            if (!process->waitForFinished(3000)) {
                process->kill();
                process->waitForFinished();
            }
        }
    }

    QProcess m_server;
    QProcess m_windowManager;
};

struct Window {
    QRect client; // in root coordinates
    bool viewable = false;
};

std::optional<Window> windowInfo(const Desk& desk, const QString& id)
{
    const std::optional<std::string> info = desk.run("xwininfo", {"-id", id});
    if (!info)
        return std::nullopt;
    const QString text = QString::fromStdString(*info);
    const auto number = [&](const char* label) {
        return QRegularExpression(QString(label) + R"(:\s*(-?\d+))").match(text).captured(1).toInt();
    };
    return Window{
        QRect(number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"), number("Height")),
        text.contains("Map State: IsViewable")};
}

// What the window manager records of the pad: on the desktop shown or on all of them, and neither
// shaded, set below nor hidden.
bool shownByTheWindowManager(const Desk& desk, const QString& pad)
{
    const auto value = [](const std::optional<std::string>& text) {
        return QString::fromStdString(text.value_or("")).section('=', 1).trimmed();
    };
    const QString desktop = value(desk.run("xprop", {"-id", pad, "_NET_WM_DESKTOP"}));
    const QString current = value(desk.run("xprop", {"-root", "_NET_CURRENT_DESKTOP"}));
    const QString states = value(desk.run("xprop", {"-id", pad, "_NET_WM_STATE"}));
    if (desktop.isEmpty() || (desktop != current && desktop != "4294967295"))
        return false;
    for (const char* state : {"_NET_WM_STATE_SHADED", "_NET_WM_STATE_BELOW", "_NET_WM_STATE_HIDDEN"})
        if (states.contains(state))
            return false;
    return true;
}

// The screen shows the pad's LCD: its window lies wholly on the screen and nearly every pixel there
// is the LCD's glass or ink (the faint touch outlines are neither).
bool screenShowsPad(const Desk& desk, const QString& pad)
{
    const std::optional<Window> window = windowInfo(desk, pad);
    if (!window || !window->viewable || !QRect(0, 0, screenWidth, screenHeight).contains(window->client))
        return false;
    const std::optional<std::string> png = desk.run("import", {"-window", "root", "png:-"});
    if (!png)
        return false;
    const QImage screen = QImage::fromData(reinterpret_cast<const uchar*>(png->data()), static_cast<int>(png->size()));
    if (screen.isNull())
        return false;
    long lcd = 0;
    for (int y = window->client.top(); y <= window->client.bottom(); y += 2)
        for (int x = window->client.left(); x <= window->client.right(); x += 2) {
            const QRgb pixel = screen.pixel(x, y) & 0xffffff;
            lcd += pixel == (glass & 0xffffff) || pixel == (ink & 0xffffff);
        }
    const long all = static_cast<long>((window->client.width() + 1) / 2) * ((window->client.height() + 1) / 2);
    return lcd >= all * 95 / 100;
}

bool padInView(const Desk& desk, const QString& pad)
{
    return shownByTheWindowManager(desk, pad) && screenShowsPad(desk, pad);
}

// Milliseconds until the pad is in view, or -1 when it is not back within the limit.
int msUntilInView(const Desk& desk, const QString& pad, int limit)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() <= limit) {
        if (padInView(desk, pad))
            return static_cast<int>(clock.elapsed());
        QThread::msleep(50);
    }
    return -1;
}

// The id of the one window whose title matches, "" while there is none.
QString windowNamed(const Desk& desk, const QString& pattern, bool onlyVisible = false)
{
    QStringList arguments{"search"};
    if (onlyVisible)
        arguments << "--onlyvisible";
    arguments << "--name" << pattern;
    const QStringList ids =
        QString::fromStdString(desk.run("xdotool", arguments).value_or("")).split('\n', Qt::SkipEmptyParts);
    return ids.size() == 1 ? ids.front() : QString();
}

// What the window manager's menus, keys and pagers do to a window: each takes the pad out of view.
struct Disturbance {
    const char* id;
    std::function<void(const Desk&, const QString&)> apply;
    std::function<void(const Desk&, const QString&)> undo; // what a user would do to get it back
};

std::vector<Disturbance> disturbances(const QRect& home)
{
    const auto wmctrl = [](const QStringList& arguments) {
        return [arguments](const Desk& desk, const QString& pad) {
            ASSERT_TRUE(desk.run("wmctrl", QStringList{"-i", "-r", pad} + arguments))
                << arguments.join(' ').toStdString();
        };
    };
    const auto both = [](auto first, auto second) {
        return [first, second](const Desk& desk, const QString& pad) {
            first(desk, pad);
            second(desk, pad);
        };
    };
    const QString back = QString("0,%1,%2,-1,-1").arg(home.x()).arg(home.y());
    return {
        {"moved to another desktop", wmctrl({"-t", "1"}), wmctrl({"-t", "0"})},
        {"set below the other windows", wmctrl({"-b", "add,below"}),
         both(wmctrl({"-b", "remove,below"}), wmctrl({"-b", "add,above"}))},
        {"shaded", wmctrl({"-b", "add,shaded"}), wmctrl({"-b", "remove,shaded"})},
        {"moved off the screen", wmctrl({"-e", "0,-2000,-1500,-1,-1"}), wmctrl({"-e", back})},
    };
}

void click(const Desk& desk, const QString& pad, QPoint lcdPoint)
{
    const QPoint at = lcdPoint * 3 + QPoint(1, 1);
    ASSERT_TRUE(desk.run(
        "xdotool", {"mousemove", "--window", pad, QString::number(at.x()), QString::number(at.y()), "click", "1"}));
}

} // namespace

TEST(PadInView, ComesBackFromEveryWindowManagerStateWhileADocumentWaits)
{
    const Desk desk("openbox");
    if (!desk.cannotStart.empty())
        GTEST_SKIP() << desk.cannotStart << "; scripts/setup installs Xvfb, openbox and the X tools";
    ASSERT_TRUE(desk.ready) << desk.trouble;

    testing_support::TempInstall install;
    install.write("C:\\Stylara\\tablet.ini", "[PDF]\r\nDISPLAY=1\r\n");
    QTemporaryDir hostFolder;
    host::HostSimulator host(hostFolder.path().toStdString());
    std::filesystem::create_directories(std::filesystem::path(host.localPath("/usr/docs/inv100.pdf")).parent_path());
    std::ofstream(host.localPath("/usr/docs/inv100.pdf"), std::ios::binary) << host::MakeHostPdf({});
    host::Handshake handshake;
    handshake.m.mode = '1'; // saved at its target as soon as the signer touches OK
    handshake.m.approvalLines = 1;
    handshake.approvalLines = {"Total due 1,250.00"};
    host.script("TBRR", handshake.responder());

    const int pcPort = freePort();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", desk.display);
    env.insert("STYLARA_PC_PORT", QString::number(pcPort));
    env.insert("STYLARA_HOST_PORT", QString::number(host.linePort()));
    env.insert("STYLARA_FILE_PORT", QString::number(host.filePort()));
    env.insert("STYLARA_BOXES", "log");
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("STYLARA_PAD");
    QProcess station;
    station.setProcessEnvironment(env);
    station.start(QString::fromStdString(testing_support::builtProgram("station/tablet")), {});
    ASSERT_TRUE(station.waitForStarted());
    ASSERT_TRUE(waitUntilListening(pcPort)) << station.readAllStandardError().toStdString();

    QString pad;
    ASSERT_TRUE(waitUntil([&] { return !(pad = windowNamed(desk, "^Stylara pad")).isEmpty(); }, 10000));
    ASSERT_GE(msUntilInView(desk, pad, 5000), 0) << "the idle pad shows";
    const std::optional<Window> start = windowInfo(desk, pad);
    ASSERT_TRUE(start);
    // Where the window manager put the frame's corner: the position that moves it back.
    const std::string frame = desk.run("xwininfo", {"-id", pad, "-frame"}).value_or("");
    const QRegularExpressionMatch corner =
        QRegularExpression(R"(Absolute upper-left X:\s*(-?\d+)\s+Absolute upper-left Y:\s*(-?\d+))")
            .match(QString::fromStdString(frame));
    const QRect home(corner.captured(1).toInt(), corner.captured(2).toInt(), 0, 0);
    const std::vector<Disturbance> rows = disturbances(home);

    // A foreign window over the whole screen, for the pad to be hidden below.
    QProcess cover;
    cover.setProcessEnvironment(desk.env);
    cover.start("xmessage", {"-geometry", QString("%1x%2+0+0").arg(screenWidth).arg(screenHeight), "cover"});
    ASSERT_TRUE(cover.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return !windowNamed(desk, "^xmessage$", true).isEmpty(); }));

    // The idle pad may be put away: each move does take it out of view, and the check sees it.
    for (const Disturbance& row : rows) {
        row.apply(desk, pad);
        QThread::msleep(2500);
        EXPECT_FALSE(screenShowsPad(desk, pad)) << row.id << ": idle";
        row.undo(desk, pad);
        EXPECT_GE(msUntilInView(desk, pad, 3000), 0) << row.id << ": put back by hand";
    }

    ASSERT_TRUE(host::sendRequest("127.0.0.1", pcPort, "TBCR N00127.0.0.1 job42"));
    QString signingWindow;
    ASSERT_TRUE(waitUntil([&] { return !windowNamed(desk, "^Stylara$", true).isEmpty(); }, 20000))
        << "the approval screen waits, with its waiting box";
    ASSERT_FALSE((signingWindow = windowNamed(desk, "^Norvane Stylara$", true)).isEmpty());

    const auto everyDisturbance = [&](const char* screen) {
        for (const Disturbance& row : rows) {
            row.apply(desk, pad);
            const int ms = msUntilInView(desk, pad, 2000);
            EXPECT_GE(ms, 0) << row.id << " on the " << screen << ": not back within two seconds";
            if (ms < 0)
                row.undo(desk, pad);
        }
    };
    everyDisturbance("approval screen");
    click(desk, pad, {205, 40});
    ASSERT_TRUE(waitUntil([&] { return windowNamed(desk, "^Stylara$", true).isEmpty(); }))
        << "OK on the approval screen puts up the signing screen";

    everyDisturbance("signing screen");
    ASSERT_TRUE(desk.run("wmctrl", {"-i", "-r", signingWindow, "-b", "add,fullscreen"}));
    ASSERT_TRUE(waitUntil([&] {
        const std::optional<Window> signing = windowInfo(desk, signingWindow);
        return signing && signing->client == QRect(0, 0, screenWidth, screenHeight);
    })) << "the signing window covers the whole screen";
    EXPECT_GE(msUntilInView(desk, pad, 2000), 0) << "above the signing window made full screen";
    everyDisturbance("full-screen signing screen");
    ASSERT_TRUE(desk.run("wmctrl", {"-s", "2"}));
    EXPECT_GE(msUntilInView(desk, pad, 2000), 0) << "on the desktop the signer switched to";
    ASSERT_TRUE(desk.run("wmctrl", {"-s", "0"}));
    EXPECT_GE(msUntilInView(desk, pad, 2000), 0) << "on the desktop the signer switched back to";

    // A signature by mouse in the writing box, then OK.
    ASSERT_TRUE(desk.run("xdotool", {"mousemove", "--window", pad, "60", "120", "mousedown", "1"}));
    for (const QPoint& at : {QPoint(120, 60), QPoint(180, 135), QPoint(240, 54), QPoint(300, 132), QPoint(420, 60)}) {
        ASSERT_TRUE(
            desk.run("xdotool", {"mousemove", "--window", pad, QString::number(at.x()), QString::number(at.y())}));
        QThread::msleep(30);
    }
    ASSERT_TRUE(desk.run("xdotool", {"mouseup", "1"}));
    click(desk, pad, {205, 40});

    const std::string signedPath = install.native("C:\\Signed\\inv100.pdf");
    EXPECT_TRUE(waitUntil([&] { return testing_support::qpdfCheck(signedPath) == 0; }, 15000))
        << "the signed document arrives whole";
    const std::string signedPdf = testing_support::fileContents(signedPath);
    int lines = 0;
    for (size_t at = signedPdf.find(" l \n"); at != std::string::npos; at = signedPdf.find(" l \n", at + 1))
        ++lines;
    EXPECT_GE(lines, 4) << "the stroke drawn by mouse is in the document";

    station.kill();
    station.waitForFinished();
    cover.kill();
    cover.waitForFinished();
    EXPECT_EQ(testing_support::messageBoxLines(station.readAllStandardError()), "") << "no message box on the way";
}
