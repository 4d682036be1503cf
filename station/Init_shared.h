#pragma once

#include <string>
#include <vector>

class QWidget;
namespace ui {
class SortedStrings;
}

// The routines both programs run, with what differs between them as arguments: the window brought to
// the front, the Temp folder, the list the printer descriptions go to.
void BringWindowToFront(QWidget* window);
// The registry value "Dir" of the installation; "" after the box that says why it could not be had.
std::string ReadRegisteredInstallDir(QWidget* front, const std::string& caption);
void PurgeTempFolder(const std::string& tempDir);
// The lines of programDir + "\plist" into the list, which sorts them as they come.
void LoadPrinterDescriptions(ui::SortedStrings& list, const std::string& programDir);
// The same lines in the order of the file.
void LoadPrinterDescriptions(std::vector<std::string>& list, const std::string& programDir);
// Columns 1-50 of a "plist" line without trailing blanks and control characters.
std::string PrinterNameOfLine(const std::string& line);
// Columns 51 to 149 of a "plist" line.
std::string DescriptionOfLine(const std::string& line);
