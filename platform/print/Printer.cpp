#include "Printer.h"

#include "Device.h"
#include "InstalledPrinters.h"
#include "win/LibraryError.h"

#include <memory>

namespace print {

Printer::Printer() : m_canvas(*this) {}

std::vector<std::string> Printer::printers() const { return installedPrinters(); }

void Printer::setPrinterIndex(int index)
{
    if (index < -1 || index >= static_cast<int>(printers().size()))
        throw win::LibraryError("Printer index out of range");
    m_index = index;
}

std::string Printer::printerName() const
{
    const std::vector<std::string> names = printers();
    return m_index >= 0 && m_index < static_cast<int>(names.size()) ? names[m_index] : "";
}

void Printer::setCopies(int copies) { m_copies = copies < 1 ? 1 : copies; }

void Printer::beginDoc()
{
    if (m_job)
        throw win::LibraryError("Printing in progress");
    Device& target = device();
    target.beginJob(Job{printerName(), title, m_copies, m_collate});
    m_job = &target;
}

void Printer::newPage() { jobDevice().newSheet(); }

void Printer::endDoc()
{
    Device& target = jobDevice();
    m_job = nullptr;
    target.endJob();
}

int Printer::pageHeight() { return (m_job ? *m_job : device()).pageRect().height(); }

int Printer::pageWidth() { return (m_job ? *m_job : device()).pageRect().width(); }

Device& Printer::jobDevice()
{
    if (!m_job)
        throw win::LibraryError("Printer is not currently printing");
    return *m_job;
}

namespace {
std::unique_ptr<Printer> theOne;
}

Printer& printer()
{
    if (!theOne)
        theOne = std::make_unique<Printer>();
    return *theOne;
}

void resetPrinter() { theOne = std::make_unique<Printer>(); }

} // namespace print
