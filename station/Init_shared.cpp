// The parts of the start-up routines that the viewer links too: they touch no state of the station.
#include "Init_shared.h"

#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "ui/SortedStrings.h"
#include "win/Files.h"
#include "win/Registry.h"

#include <QApplication>
#include <QWidget>

#include <fstream>

void BringWindowToFront(QWidget* window)
{
    // Asking a form for its handle creates its window; a hidden form stays hidden.
    if (window)
        window->winId();
    ui::bringToFront(window);
}

std::string ReadRegisteredInstallDir(QWidget* front, const std::string& caption)
{
    win::Registry registry(win::Registry::Root::LocalMachine);
    std::string dir;
    try {
        registry.openKey("Software\\Norvane\\Stylara", false);
        dir = registry.readString("Dir");
    } catch (const std::exception&) {
        BringWindowToFront(front);
        ui::MessageBox("Error while reading Windows Registry.  Cannot continue.", caption, ui::MB_OK | ui::MB_ICONERROR);
        return {};
    }
    if (dir.empty()) {
        BringWindowToFront(front);
        ui::MessageBox("Norvane Stylara is not installed properly.  Please re-install.", caption,
                       ui::MB_OK | ui::MB_ICONERROR);
    }
    return dir;
}

void PurgeTempFolder(const std::string& tempDir)
{
    const std::vector<std::string> entries = win::findFiles(tempDir + "\\*.*");
    win::setCurrentDirectory(tempDir);
    for (const std::string& name : entries) {
        // Other events, a request among them, may run in the middle of the purge.
        QApplication::processEvents();
        if (name == "." || name == "..")
            continue;
        win::deleteFile(tempDir + "\\" + name);
    }
}

void LoadPrinterDescriptions(std::vector<std::string>& list, const std::string& programDir)
{
    list.clear();
    const std::string path = programDir + "\\plist";
    if (!win::fileExists(path))
        return;
    std::string contents;
    if (!win::readWholeFile(path, contents))
        return;
    // Lines end in CR LF, a lone CR or a lone LF, as the list's loader takes them.
    std::string line;
    for (size_t i = 0; i < contents.size(); ++i) {
        const char c = contents[i];
        if (c == '\r' || c == '\n') {
            list.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < contents.size() && contents[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        list.push_back(line);
}

void LoadPrinterDescriptions(ui::SortedStrings& list, const std::string& programDir)
{
    std::vector<std::string> lines;
    LoadPrinterDescriptions(lines, programDir);
    list.Clear();
    for (const std::string& line : lines)
        list.Add(line);
}

std::string PrinterNameOfLine(const std::string& line)
{
    std::string name = line.substr(0, 50);
    while (!name.empty() && static_cast<unsigned char>(name.back()) <= ' ')
        name.pop_back();
    return name;
}

std::string DescriptionOfLine(const std::string& line)
{
    return line.size() > 50 ? line.substr(50, 99) : std::string();
}
