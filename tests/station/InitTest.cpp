#include "StationFixture.h"
#include "station/Init.h"
#include "win/LibraryError.h"

#include <filesystem>
#include <fstream>

class Init : public StationFixture {
protected:
    void useInstallation()
    {
        ASSERT_TRUE(ReadInstallDir());
    }
};

TEST_F(Init, InstallDirSetsThePaths)
{
    ASSERT_TRUE(ReadInstallDir());
    EXPECT_EQ(globals.ProgramDir, "C:\\Stylara");
    EXPECT_EQ(globals.TempDir, "C:\\Stylara\\Temp");
    EXPECT_EQ(globals.AnnounceWavePath, "C:\\Stylara\\Announce.wav");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Init, InstallDirFailures)
{
    struct Row {
        const char* id;
        std::string registry;
        const char* message;
    };
    const Row rows[] = {
        {"empty Dir", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Stylara]\n\"Dir\"=\"\"\n",
         "Norvane Stylara is not installed properly.  Please re-install."},
        {"missing key", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"Dir\"=\"C:\\\\X\"\n",
         "Norvane Stylara is not installed properly.  Please re-install."},
        {"value not a string", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Stylara]\n\"Dir\"=dword:1\n",
         "Error while reading Windows Registry.  Cannot continue."},
        {"unreadable registry", "garbage", "Error while reading Windows Registry.  Cannot continue."},
    };
    for (const Row& row : rows) {
        boxes.clear();
        globals.ProgramDir = "unchanged";
        install.writeRegistry(row.registry);
        EXPECT_FALSE(ReadInstallDir()) << row.id;
        ASSERT_EQ(boxes.boxes().size(), 1u) << row.id;
        EXPECT_EQ(boxes.boxes()[0].text, row.message) << row.id;
        EXPECT_EQ(boxes.boxes()[0].caption, "Error") << row.id;
        EXPECT_EQ(boxes.boxes()[0].icon(), "error") << row.id;
        EXPECT_EQ(globals.ProgramDir, "unchanged") << row.id;
        EXPECT_EQ(globals.TempDir, "") << row.id;
    }
}

TEST_F(Init, SettingsDefaultsAndReadingRules)
{
    useInstallation();
    struct Expected {
        int hor, ver;
        bool display, bold;
        int size;
        bool sel;
        int top, left, lines;
        bool messages, prompt;
    };
    struct Row {
        const char* id;
        const char* ini; // nullptr: no file
        Expected expected;
    };
    const Row rows[] = {
        {"missing file", nullptr, {0, 0, false, false, 11, false, 10, 20, 60, false, true}},
        {"empty file", "", {0, 0, false, false, 11, false, 10, 20, 60, false, true}},
        {"rules", "[HOTSPOTS]\r\nHOR=50\r\nVER=-3\r\n[pdf]\r\ndisplay=1\r\n[TEXT]\r\nSIZE=abc\r\nBOLD=7\r\nTOP=0x0C\r\n"
                  "LINES=0x0c\r\n[MONO]\r\nPROMPT=0\r\nMESSAGES=2\r\n",
         {50, -3, true, true, 11, false, 12, 20, 12, true, false}},
        {"hex size and prompt 2", "[TEXT]\nSIZE=0x0C\n[MONO]\nPROMPT=2\nMESSAGES=2\n",
         {0, 0, false, false, 12, false, 10, 20, 60, true, true}},
    };
    for (const Row& row : rows) {
        if (row.ini)
            install.write("C:\\Stylara\\tablet.ini", row.ini);
        LoadSettings();
        const Expected& e = row.expected;
        EXPECT_EQ(globals.HotSpotOffsetX, e.hor) << row.id;
        EXPECT_EQ(globals.HotSpotOffsetY, e.ver) << row.id;
        EXPECT_EQ(globals.DisplayPdf, e.display) << row.id;
        EXPECT_EQ(globals.TextBold, e.bold) << row.id;
        EXPECT_EQ(globals.TextSize, e.size) << row.id;
        EXPECT_EQ(globals.AskForPrinter, e.sel) << row.id;
        EXPECT_EQ(globals.TopMargin, e.top) << row.id;
        EXPECT_EQ(globals.LeftMargin, e.left) << row.id;
        EXPECT_EQ(globals.LinesPerPage, e.lines) << row.id;
        EXPECT_EQ(globals.MonoMessages, e.messages) << row.id;
        EXPECT_EQ(globals.MonoPrompt, e.prompt) << row.id;
    }
}

TEST_F(Init, SaveThenLoadRoundTrips)
{
    useInstallation();
    globals.HotSpotOffsetX = -10;
    globals.HotSpotOffsetY = 10;
    globals.DisplayPdf = true;
    globals.TextBold = false;
    globals.TextSize = 20;
    globals.AskForPrinter = true;
    globals.TopMargin = 0;
    globals.LeftMargin = 999;
    globals.LinesPerPage = 200;
    globals.MonoMessages = true;
    globals.MonoPrompt = false;
    SaveSettings();
    EXPECT_EQ(install.read("C:\\Stylara\\tablet.ini"),
              "[HOTSPOTS]\r\nHOR=-10\r\nVER=10\r\n[PDF]\r\nDISPLAY=1\r\n[TEXT]\r\nBOLD=0\r\nSIZE=20\r\n"
              "SEL_PRINTER=1\r\nTOP=0\r\nLEFT=999\r\nLINES=200\r\n[MONO]\r\nMESSAGES=1\r\nPROMPT=0\r\n");
    const _globals saved = globals;
    ResetGlobals();
    globals.ProgramDir = saved.ProgramDir;
    LoadSettings();
    EXPECT_EQ(globals.HotSpotOffsetX, -10);
    EXPECT_EQ(globals.HotSpotOffsetY, 10);
    EXPECT_TRUE(globals.DisplayPdf);
    EXPECT_FALSE(globals.TextBold);
    EXPECT_EQ(globals.TextSize, 20);
    EXPECT_TRUE(globals.AskForPrinter);
    EXPECT_EQ(globals.TopMargin, 0);
    EXPECT_EQ(globals.LeftMargin, 999);
    EXPECT_EQ(globals.LinesPerPage, 200);
    EXPECT_TRUE(globals.MonoMessages);
    EXPECT_FALSE(globals.MonoPrompt);
}

TEST_F(Init, RefusedWriteStopsAtThatKey)
{
    useInstallation();
    globals.TextSize = 11;
    std::string error;
    try {
        // The disk takes the file up to BOLD (60 bytes) and refuses it once SIZE is added.
        testing_support::FileSizeLimit limit(60);
        SaveSettings();
    } catch (const win::LibraryError& e) {
        error = e.what();
    }
    EXPECT_EQ(error, "Unable to write to C:\\Stylara\\tablet.ini");
    const std::string file = install.read("C:\\Stylara\\tablet.ini");
    EXPECT_NE(file.find("BOLD=0"), std::string::npos);
    EXPECT_EQ(file.find("SIZE"), std::string::npos);
    EXPECT_EQ(globals.TextSize, 11);
}

TEST_F(Init, ReadOnlySettingsFileIsRefusedAndLeftAsItWas)
{
    useInstallation();
    namespace fs = std::filesystem;
    const std::string before = "[TEXT]\r\nSIZE=14\r\n";
    install.write("C:\\Stylara\\tablet.ini", before);
    const fs::path native = install.native("C:\\Stylara\\tablet.ini");
    fs::permissions(native, fs::perms::owner_read | fs::perms::group_read);
    globals.TextSize = 11;
    std::string error;
    try {
        SaveSettings();
    } catch (const win::LibraryError& e) {
        error = e.what();
    }
    EXPECT_EQ(error, "Unable to write to C:\\Stylara\\tablet.ini");
    EXPECT_EQ(install.read("C:\\Stylara\\tablet.ini"), before);
    EXPECT_EQ(fs::status(native).permissions(), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(globals.TextSize, 11);
}

TEST_F(Init, DefaultPrinterFromWinIni)
{
    struct Row {
        const char* id;
        const char* winIni; // nullptr: no file
        std::string printer;
    };
    const std::string longName(130, 'P');
    const Row rows[] = {
        {"name, driver, port", "[windows]\r\ndevice=HP LaserJet,winspool,Ne00:\r\n", "HP LaserJet"},
        {"equals before comma", "[windows]\r\ndevice=Lab=Printer,winspool\r\n", "Lab"},
        {"130 characters, no comma", nullptr, std::string(120, 'P')},
        {"empty value", "[windows]\r\ndevice=\r\n", ""},
        {"no key", "[windows]\r\nother=1\r\n", "NONE"},
    };
    for (const Row& row : rows) {
        install.write("C:\\windows\\win.ini", row.winIni ? row.winIni : "[windows]\ndevice=" + longName + "\n");
        ReadDefaultPrinter();
        EXPECT_EQ(globals.WindowsDir, "C:\\windows") << row.id;
        EXPECT_EQ(globals.DefaultPrinter, row.printer) << row.id;
    }
}

TEST_F(Init, PurgeDeletesFilesAndKeepsFolders)
{
    useInstallation();
    install.write("C:\\Stylara\\Temp\\unsigned.pdf", "x");
    install.write("C:\\Stylara\\Temp\\signed.pdf", "y");
    install.write("C:\\Stylara\\Temp\\sub\\inner.txt", "z");
    install.write("C:\\Stylara\\Temp\\kept.pdf", "r");
    std::filesystem::permissions(install.native("C:\\Stylara\\Temp\\kept.pdf"), std::filesystem::perms::owner_read);
    // Links are deleted themselves, as DeleteFile deletes them: left there, the next fetch would write
    // through them. What they point to stays.
    const std::string outside = install.root() + "/outside.pdf";
    std::ofstream(outside) << "theirs";
    std::filesystem::create_symlink(install.root() + "/nowhere.pdf", install.native("C:\\Stylara\\Temp\\a.pdf"));
    std::filesystem::create_symlink(outside, install.native("C:\\Stylara\\Temp\\b.pdf"));
    std::filesystem::create_symlink(install.native("C:\\Stylara"), install.native("C:\\Stylara\\Temp\\dir"));
    // A name a Linux user gave in UTF-8 is deleted by the name the listing gives in the code page.
    std::ofstream(install.native("C:\\Stylara\\Temp") + "/\xe2\x82\xac.pdf") << "euro";
    PurgeTempFolder();
    for (const char* gone : {"a.pdf", "b.pdf", "dir", "\xe2\x82\xac.pdf"})
        EXPECT_FALSE(
            std::filesystem::exists(std::filesystem::symlink_status(install.native("C:\\Stylara\\Temp") + "/" + gone)))
            << gone;
    EXPECT_TRUE(std::filesystem::exists(outside));
    EXPECT_TRUE(std::filesystem::is_directory(install.native("C:\\Stylara"))) << "a folder behind a link stays";
    EXPECT_FALSE(install.exists("C:\\Stylara\\Temp\\unsigned.pdf"));
    EXPECT_FALSE(install.exists("C:\\Stylara\\Temp\\signed.pdf"));
    EXPECT_TRUE(install.exists("C:\\Stylara\\Temp\\sub\\inner.txt"));
    EXPECT_TRUE(install.exists("C:\\Stylara\\Temp\\kept.pdf")) << "a read-only file stays";
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(install.native("C:\\Stylara\\Temp")));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Init, PrinterDescriptionLookup)
{
    useInstallation();
    auto line = [](const std::string& printer, const std::string& description) {
        return (printer + std::string(50, ' ')).substr(0, 50) + description;
    };
    install.write("C:\\Stylara\\plist", line("Zeta", "CHEQUES") + "\r\n" + line("Printer8", "LABELS") + "\r\n" +
                                            line("alpha", "CHEQUES") + "\r\n");
    LoadPrinterDescriptions();
    struct Row {
        const char* description;
        std::string printer;
        bool box;
    };
    const Row rows[] = {
        {"LABELS", "Printer8", false},
        {"CHEQUES", "alpha", false}, // two lines: the printer that sorts first wins
        {"labels", "", true},
        {"LABELS ", "", true},
    };
    for (const Row& row : rows) {
        boxes.clear();
        EXPECT_EQ(FindCustomPrinter(row.description), row.printer) << row.description;
        ASSERT_EQ(boxes.boxes().size(), row.box ? 1u : 0u) << row.description;
        if (row.box) {
            EXPECT_EQ(boxes.boxes()[0].text, std::string("No custom printer description entry was found on this PC "
                                                         "for '") + row.description +
                                                 "'.\n\nSending to default printer...");
            EXPECT_EQ(boxes.boxes()[0].caption, "Stylara - Error");
        }
    }

    install.write("C:\\Stylara\\plist", "");
    std::filesystem::remove(install.native("C:\\Stylara\\plist"));
    LoadPrinterDescriptions();
    boxes.clear();
    EXPECT_EQ(FindCustomPrinter("LABELS"), "");
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text,
              "No custom printer descriptions have been defined on this PC.\n\nSending to default printer...");
}
