// The viewer's start-up, settings, tray and shutdown, in-process on a private installation.
#include "TestSupport.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "viewer/About_form.h"
#include "viewer/Config_form.h"
#include "viewer/Forms.h"
#include "viewer/Globals.h"
#include "viewer/Init.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using testing_support::TempInstall;
using testing_support::freePort;
using testing_support::listening;

namespace {

class Startup : public testing_support::InProcessProgram<ResetGlobals, DestroyForms> {};

} // namespace

TEST_F(Startup, InstallationFailuresEndTheProgramWithoutTouchingTemp)
{
    struct Row {
        const char* id;
        std::string registry;
        std::string box;
    };
    const Row rows[] = {
        {"empty Dir", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Stylara]\r\n\"Dir\"=\"\"\r\n",
         "Norvane Stylara is not installed properly.  Please re-install."},
        {"no key", "REGEDIT4\r\n", "Norvane Stylara is not installed properly.  Please re-install."},
        {"Dir not a string",
         "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Stylara]\r\n\"Dir\"=dword:00000001\r\n",
         "Error while reading Windows Registry.  Cannot continue."},
    };
    install.write("C:\\Stylara\\Temp\\keep.pdf", "x");
    for (const Row& row : rows) {
        boxes.clear();
        install.writeRegistry(row.registry);
        CreateForms();
        ASSERT_EQ(boxes.boxes().size(), 1u) << row.id;
        EXPECT_EQ(boxes.boxes()[0].text, row.box) << row.id;
        EXPECT_EQ(boxes.boxes()[0].caption, "Norvane Stylara PDF Viewer") << row.id;
        EXPECT_EQ(boxes.boxes()[0].icon(), "error") << row.id;
        EXPECT_TRUE(ui::ApplicationTerminated()) << row.id;
        EXPECT_FALSE(form_config->ServerSocket->Active()) << row.id;
        EXPECT_TRUE(install.exists("C:\\Stylara\\Temp\\keep.pdf")) << row.id;
        DestroyForms();
    }
}

TEST_F(Startup, StartEmptiesTempAndListensUntilShutdown)
{
    install.write("C:\\Stylara\\Temp\\source.pdf", "old");
    CreateForms();
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(form_about->lab_ver->text().toStdString(), "03.00.02");
    EXPECT_EQ(globals.TempDir, "C:\\Stylara\\Temp");
    EXPECT_FALSE(install.exists("C:\\Stylara\\Temp\\source.pdf"));
    EXPECT_TRUE(listening(port));
    EXPECT_EQ(form_config->trayicon->toolTip().toStdString(), "Norvane Stylara Signed PDF Viewer");
    std::vector<std::string> menu;
    for (QAction* action : form_config->pm_main->actions())
        menu.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    EXPECT_EQ(menu, (std::vector<std::string>{"About", "-", "Shutdown"}));

    form_config->aboutClick();
    EXPECT_TRUE(form_about->isVisible());
    form_about->but_closeClick();
    EXPECT_FALSE(form_about->isVisible());

    // "Close" only hides the form while requests can come.
    form_config->show();
    form_config->but_cancelClick();
    EXPECT_FALSE(form_config->isVisible());
    EXPECT_FALSE(ui::ApplicationTerminated());

    form_config->shutdownClick();
    EXPECT_FALSE(listening(port));
    EXPECT_TRUE(ui::ApplicationTerminated());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Startup, TextSettingsAreReadAsTheyStand)
{
    struct Row {
        const char* id;
        const char* ini; // nullptr: no file
        bool bold;
        int size;
        bool ask;
        int top, left, lines;
    };
    const Row rows[] = {
        {"no file", nullptr, false, 11, false, 10, 20, 60},
        {"no TEXT section", "[PDF]\r\nDISPLAY=1\r\n", false, 11, false, 10, 20, 60},
        {"every key", "[TEXT]\r\nBOLD=1\r\nSIZE=14\r\nSEL_PRINTER=1\r\nTOP=0\r\nLEFT=5\r\nLINES=200\r\n", true, 14,
         true, 0, 5, 200},
        {"outside the dialog's ranges", "[text]\r\nbold=2\r\nsize=0x30\r\nlines=0\r\nleft=-4\r\ntop=abc\r\n", true, 48,
         false, 10, -4, 0},
    };
    CreateForms();
    for (const Row& row : rows) {
        if (row.ini)
            install.write("C:\\Stylara\\tablet.ini", row.ini);
        else
            std::filesystem::remove(install.native("C:\\Stylara\\tablet.ini"));
        ReadTextPrintSettings();
        EXPECT_EQ(globals.TextBold, row.bold) << row.id;
        EXPECT_EQ(globals.TextSize, row.size) << row.id;
        EXPECT_EQ(globals.AskForPrinter, row.ask) << row.id;
        EXPECT_EQ(globals.TopMargin, row.top) << row.id;
        EXPECT_EQ(globals.LeftMargin, row.left) << row.id;
        EXPECT_EQ(globals.LinesPerPage, row.lines) << row.id;
    }
}
