#pragma once

#include <optional>
#include <string>
#include <vector>

namespace print {

// The names of the printers installed on this machine (CUPS, through Qt), in the order the system
// gives them.
std::vector<std::string> installedPrinters();

// Tests fix the list; nullopt goes back to the system's.
void setInstalledPrinters(std::optional<std::vector<std::string>> printers);

} // namespace print
