// The built station as a person starts it: a process of its own, on a private installation.
#include "TestSupport.h"
#include "station/Config_form.h"
#include "station/Forms.h"
#include "station/Globals.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>

#include <QTcpServer>
#include <QTcpSocket>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

using testing_support::freePort;
using testing_support::listening;
using testing_support::TempInstall;
using testing_support::waitUntil;
using testing_support::waitUntilListening;

namespace {

class Station {
public:
    explicit Station(int port)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("STYLARA_PC_PORT", QString::number(port));
        env.insert("STYLARA_BOXES", "log");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.start(QString::fromStdString(testing_support::builtProgram("station/tablet")), {"--ignored", "x"});
        process.waitForStarted();
    }
    ~Station()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    QProcess process;
};

} // namespace

TEST(Program, SecondInstanceEndsAtOnceAndSilently)
{
    TempInstall install;
    const int port = freePort();
    Station first(port);
    ASSERT_TRUE(waitUntilListening(port)) << first.process.readAllStandardError().toStdString();

    Station second(freePort());
    ASSERT_TRUE(second.process.waitForFinished(60000));
    EXPECT_EQ(second.process.exitCode(), 0);
    EXPECT_EQ(second.process.readAllStandardError().toStdString(), "") << "not even a warning of Qt";

    // The kernel releases the mutex however the first one ends.
    first.process.kill();
    first.process.waitForFinished();
    Station third(port);
    EXPECT_TRUE(waitUntilListening(port));
}

TEST(Program, StartsWhenTheInstanceLockCannotBeMade)
{
    TempInstall install;
    // A folder in the lock file's place: no lock can be made there.
    std::filesystem::create_directory(install.root() + "/run/NVSTYLARA.MUTEX.lock");
    const int port = freePort();
    Station station(port);
    EXPECT_TRUE(waitUntil([&] { return listening(port); }, 10000))
        << station.process.readAllStandardError().toStdString();
    EXPECT_EQ(testing_support::messageBoxLines(station.process.readAllStandardError()), "");
}

TEST(Program, InstallerSetUpIsWhatTheStationStartsFrom)
{
    TempInstall install;
    std::filesystem::remove_all(install.native("C:\\"));
    std::filesystem::remove(install.root() + "/system.reg");
    const std::string installer = std::string(STYLARA_SOURCE_DIR) + "/scripts/install-station";
    ASSERT_EQ(QProcess::execute(QString::fromStdString(installer), {}), 0);

    EXPECT_EQ(install.read("C:\\windows\\SigPlus.ini"), "[Tablet]\r\nTabletModel=SigLiteLCD1X5\r\n");
    EXPECT_TRUE(install.exists("C:\\Stylara\\Temp"));
    EXPECT_NE(install.read("C:\\Stylara\\tablet.ini").find("[PDF]\r\nDISPLAY=1\r\n"), std::string::npos);
    EXPECT_EQ(install.read("C:\\windows\\win.ini").rfind("[windows]\r\n", 0), 0u);

    // A second run keeps the settings and printer descriptions the station's dialogs wrote.
    install.write("C:\\Stylara\\tablet.ini", "[TEXT]\r\nSIZE=14\r\n");
    install.write("C:\\Stylara\\plist", "kept");
    ASSERT_EQ(QProcess::execute(QString::fromStdString(installer), {}), 0);
    EXPECT_EQ(install.read("C:\\Stylara\\tablet.ini"), "[TEXT]\r\nSIZE=14\r\n");
    EXPECT_EQ(install.read("C:\\Stylara\\plist"), "kept");

    const int port = freePort();
    Station station(port);
    EXPECT_TRUE(waitUntilListening(port)) << station.process.readAllStandardError().toStdString();
    EXPECT_EQ(testing_support::messageBoxLines(station.process.readAllStandardError()), "");
}

TEST(Program, EmptyDirShowsOneBoxAndLeavesTempAlone)
{
    TempInstall install;
    install.writeRegistry("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Stylara]\r\n\"Dir\"=\"\"\r\n");
    install.write("C:\\Stylara\\Temp\\keep.pdf", "x");
    Station station(freePort());
    ASSERT_TRUE(station.process.waitForFinished(60000));
    EXPECT_EQ(station.process.exitCode(), 0);
    EXPECT_EQ(testing_support::messageBoxLines(station.process.readAllStandardError()),
              "Error | error | Norvane Stylara is not installed properly.  Please re-install.\n");
    EXPECT_TRUE(install.exists("C:\\Stylara\\Temp\\keep.pdf"));
}

TEST(Program, ShutdownStopsListeningAndEndsTheLoop)
{
    TempInstall install;
    install.write("C:\\windows\\SigPlus.ini", "[Tablet]\r\nTabletModel=SigLiteLCD1X5\r\n");
    const int port = freePort();
    setenv("STYLARA_PC_PORT", std::to_string(port).c_str(), 1);
    ui::BoxRecorder boxes;
    CreateForms();
    EXPECT_TRUE(form_config->ServerSocket->Active());
    EXPECT_TRUE(listening(port));
    EXPECT_FALSE(ui::ApplicationTerminated());
    form_config->shutdownClick();
    EXPECT_FALSE(form_config->ServerSocket->Active());
    EXPECT_FALSE(listening(port));
    EXPECT_TRUE(ui::ApplicationTerminated());
    EXPECT_TRUE(boxes.boxes().empty());
    DestroyForms();
    unsetenv("STYLARA_PC_PORT");
}

class InProcessStation : public testing_support::InProcessProgram<ResetGlobals, DestroyForms> {};

TEST_F(InProcessStation, TrayHintMenuAndACloseThatOnlyHides)
{
    CreateForms();
    EXPECT_EQ(form_config->trayicon->toolTip().toStdString(), "Norvane Stylara");
    std::vector<std::string> menu;
    for (QAction* action : form_config->pm_main->actions())
        menu.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    EXPECT_EQ(menu, (std::vector<std::string>{"About", "Preferences", "-", "Shutdown"}));

    // While requests can come, "Close" on the main form only hides it.
    form_config->show();
    form_config->but_cancelClick();
    EXPECT_FALSE(form_config->isVisible());
    EXPECT_FALSE(ui::ApplicationTerminated());
    EXPECT_TRUE(listening(port));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(InProcessStation, PortAlreadyTakenLeavesTheStationInTheTraySilently)
{
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::Any, static_cast<quint16>(port)));
    CreateForms();
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_FALSE(form_config->ServerSocket->Active());
    EXPECT_FALSE(ui::ApplicationTerminated()) << "the station stays in the tray";
    EXPECT_EQ(form_config->trayicon->toolTip().toStdString(), "Norvane Stylara");

    // Without a listener "Close" on the main form ends the program.
    form_config->but_cancelClick();
    EXPECT_TRUE(ui::ApplicationTerminated());
    EXPECT_TRUE(boxes.boxes().empty());
}
