#include "InstalledPrinters.h"

#include <QPrinterInfo>

namespace print {

namespace {
std::optional<std::vector<std::string>> fixedPrinters;
}

std::vector<std::string> installedPrinters()
{
    if (fixedPrinters)
        return *fixedPrinters;
    std::vector<std::string> names;
    for (const QString& name : QPrinterInfo::availablePrinterNames())
        names.push_back(name.toStdString());
    return names;
}

void setInstalledPrinters(std::optional<std::vector<std::string>> printers) { fixedPrinters = std::move(printers); }

} // namespace print
