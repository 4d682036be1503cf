#pragma once

#include "Canvas.h"

#include <string>
#include <vector>

namespace print {

class Device;

// The printer object in the manner of the class library's: the installed printers, the current one,
// copies and collation, the job's title, begin / new sheet / end, and the canvas.
class Printer {
public:
    Printer();

    std::vector<std::string> printers() const;   // installed names, as installedPrinters() gives them
    int printerIndex() const { return m_index; } // -1: the system's default printer
    // Raises "Printer index out of range" for an index outside the list.
    void setPrinterIndex(int index);
    std::string printerName() const; // "" for the default printer

    int copies() const { return m_copies; }
    void setCopies(int copies); // below 1 counts as 1, as a spooler takes it
    bool collate() const { return m_collate; }
    void setCollate(bool collate) { m_collate = collate; }

    std::string title;

    void beginDoc();
    void newPage();
    void endDoc();
    bool printing() const { return m_job != nullptr; }

    Canvas& canvas() { return m_canvas; }
    // The printable height of a sheet, in device units: of the running job, else of the device a job
    // would go to.
    int pageHeight();
    int pageWidth(); // likewise

    // The device of the running job; raises "Printer is not currently printing" outside one.
    Device& jobDevice();

private:
    int m_index = -1;
    int m_copies = 1;
    bool m_collate = false;
    Device* m_job = nullptr;
    Canvas m_canvas;
};

// The program's one printer object: a printer chosen stays chosen for the rest of the run.
Printer& printer();

// Tests start from the default printer, one copy, no title.
void resetPrinter();

} // namespace print
