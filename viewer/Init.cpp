#include "Init.h"

#include "About_form.h"
#include "Config_form.h"
#include "Globals.h"
#include "ui/MessageBox.h"
#include "win/Profile.h"

using namespace ui;

void ErrorBox(const std::string& text, const std::string& caption)
{
    BringWindowToFront(form_config);
    MessageBox(text, caption, MB_OK | MB_ICONERROR);
}

bool ReadInstallDir()
{
    const std::string dir = ReadRegisteredInstallDir(form_config, "Norvane Stylara PDF Viewer");
    if (dir.empty())
        return false;
    globals.ProgramDir = dir;
    globals.TempDir = dir + "\\Temp";
    return true;
}

void ReadTextPrintSettings()
{
    // The station's Preferences dialog writes the file; the viewer only reads its text settings.
    const win::IniFile ini(globals.ProgramDir + "\\tablet.ini");
    globals.TextBold = ini.ReadBool("TEXT", "BOLD", false);
    globals.TextSize = ini.ReadInteger("TEXT", "SIZE", 11);
    globals.AskForPrinter = ini.ReadBool("TEXT", "SEL_PRINTER", false);
    globals.TopMargin = ini.ReadInteger("TEXT", "TOP", 10);
    globals.LeftMargin = ini.ReadInteger("TEXT", "LEFT", 20);
    globals.LinesPerPage = ini.ReadInteger("TEXT", "LINES", 60);
}

void PurgeTempFolder() { PurgeTempFolder(globals.TempDir); }

void LoadPrinterDescriptions() { LoadPrinterDescriptions(form_about->lb_rprint, globals.ProgramDir); }

std::string FindCustomPrinter(const std::string& description)
{
    const std::vector<std::string>& list = form_about->lb_rprint;
    if (list.empty()) {
        MessageBox("No custom printer descriptions have been defined on this PC.\n\nSending to default printer...",
                   "Stylara Viewer - Error", MB_OK | MB_ICONERROR);
        return {};
    }
    // The list keeps the order of the file, so the upper of two equal descriptions wins.
    for (const std::string& line : list)
        if (DescriptionOfLine(line) == description)
            return PrinterNameOfLine(line);
    MessageBox("No custom printer description entry was found on this PC for '" + description +
                   "'.\n\nSending to default printer...",
               "Stylara Viewer - Error", MB_OK | MB_ICONERROR);
    return {};
}
