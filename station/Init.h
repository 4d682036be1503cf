#pragma once

#include <string>

class QWidget;
namespace ui {
class SortedStrings;
}

// Filling the shared record from the machine: registry, "tablet.ini", "win.ini", the Temp folder and
// the printer descriptions.
bool ReadInstallDir();
void LoadSettings();
void SaveSettings();
void ReadDefaultPrinter();
void PurgeTempFolder();
void LoadPrinterDescriptions();
std::string FindCustomPrinter(const std::string& description);

// The routines the viewer shares, with what differs between the programs as arguments.
void BringWindowToFront(QWidget* window);
void PurgeTempFolder(const std::string& tempDir);
void LoadPrinterDescriptions(ui::SortedStrings& list, const std::string& programDir);
// Columns 1-50 of a "plist" line without trailing blanks and control characters.
std::string PrinterNameOfLine(const std::string& line);
// Columns 51 to 149 of a "plist" line.
std::string DescriptionOfLine(const std::string& line);
