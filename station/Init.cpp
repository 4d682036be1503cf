#include "Init.h"

#include "Globals.h"
#include "Printers_form.h"
#include "signing/Adobe_form.h"
#include "ui/MessageBox.h"
#include "win/LibraryError.h"
#include "win/Profile.h"
#include "win/System.h"

using namespace ui;

bool ReadInstallDir()
{
    const std::string dir = ReadRegisteredInstallDir(form_adobe, "Error");
    if (dir.empty())
        return false;
    globals.ProgramDir = dir;
    globals.TempDir = dir + "\\Temp";
    globals.AnnounceWavePath = dir + "\\Announce.wav";
    return true;
}

void LoadSettings()
{
    const win::IniFile ini(globals.ProgramDir + "\\tablet.ini");
    globals.HotSpotOffsetX = ini.ReadInteger("HOTSPOTS", "HOR", 0);
    globals.HotSpotOffsetY = ini.ReadInteger("HOTSPOTS", "VER", 0);
    globals.DisplayPdf = ini.ReadBool("PDF", "DISPLAY", false);
    globals.TextBold = ini.ReadBool("TEXT", "BOLD", false);
    globals.TextSize = ini.ReadInteger("TEXT", "SIZE", 11);
    globals.AskForPrinter = ini.ReadBool("TEXT", "SEL_PRINTER", false);
    globals.TopMargin = ini.ReadInteger("TEXT", "TOP", 10);
    globals.LeftMargin = ini.ReadInteger("TEXT", "LEFT", 20);
    globals.LinesPerPage = ini.ReadInteger("TEXT", "LINES", 60);
    globals.MonoMessages = ini.ReadBool("MONO", "MESSAGES", false);
    globals.MonoPrompt = ini.ReadBool("MONO", "PROMPT", true);
}

void SaveSettings()
{
    // A refused write raises and leaves the later keys unwritten, for the caller's error box.
    win::IniFile ini(globals.ProgramDir + "\\tablet.ini");
    ini.WriteInteger("HOTSPOTS", "HOR", globals.HotSpotOffsetX);
    ini.WriteInteger("HOTSPOTS", "VER", globals.HotSpotOffsetY);
    ini.WriteBool("PDF", "DISPLAY", globals.DisplayPdf);
    ini.WriteBool("TEXT", "BOLD", globals.TextBold);
    ini.WriteInteger("TEXT", "SIZE", globals.TextSize);
    ini.WriteBool("TEXT", "SEL_PRINTER", globals.AskForPrinter);
    ini.WriteInteger("TEXT", "TOP", globals.TopMargin);
    ini.WriteInteger("TEXT", "LEFT", globals.LeftMargin);
    ini.WriteInteger("TEXT", "LINES", globals.LinesPerPage);
    ini.WriteBool("MONO", "MESSAGES", globals.MonoMessages);
    ini.WriteBool("MONO", "PROMPT", globals.MonoPrompt);
}

void ReadDefaultPrinter()
{
    globals.WindowsDir = win::windowsDirectory().substr(0, 259);
    char device[256];
    win::GetPrivateProfileStringA("windows", "device", "NONE", device, sizeof device,
                                  (globals.WindowsDir + "\\win.ini").c_str());
    std::string name;
    for (size_t i = 0; i < 120 && device[i] != '\0'; ++i) {
        if (device[i] == ',' || device[i] == '=')
            break;
        name += device[i];
    }
    globals.DefaultPrinter = name;
}

void PurgeTempFolder() { PurgeTempFolder(globals.TempDir); }

void LoadPrinterDescriptions() { LoadPrinterDescriptions(form_printers->lb_rprint, globals.ProgramDir); }

std::string FindCustomPrinter(const std::string& description)
{
    const SortedStrings& list = form_printers->lb_rprint;
    if (list.Count() == 0) {
        MessageBox("No custom printer descriptions have been defined on this PC.\n\nSending to default printer...",
                   "Stylara - Error", MB_OK | MB_ICONERROR);
        return {};
    }
    for (const std::string& line : list.items())
        if (DescriptionOfLine(line) == description)
            return PrinterNameOfLine(line);
    MessageBox("No custom printer description entry was found on this PC for '" + description +
                   "'.\n\nSending to default printer...",
               "Stylara - Error", MB_OK | MB_ICONERROR);
    return {};
}
