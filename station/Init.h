#pragma once

#include "Init_shared.h"

#include <string>

// Filling the shared record from the machine: registry, "tablet.ini", "win.ini", the Temp folder and
// the printer descriptions.
bool ReadInstallDir();
void LoadSettings();
void SaveSettings();
void ReadDefaultPrinter();
void PurgeTempFolder();
void LoadPrinterDescriptions();
std::string FindCustomPrinter(const std::string& description);

