#pragma once

#include "station/Init_shared.h"

#include <string>

// The viewer's own start-up routines and its text printing; the Temp purge, the printer-description
// loader and the bring-to-front step are the station's, given the viewer's record and forms.
bool ReadInstallDir();
void ReadTextPrintSettings();
void PurgeTempFolder();
// The lines of "plist" into form_about's lb_rprint, in the order of the file.
void LoadPrinterDescriptions();
std::string FindCustomPrinter(const std::string& description);
// Prints the lines of form_config's re_text: one job, no question.
void PrintTextDocument();

// A box with the error icon after form_config is brought to the front, as nearly every box of the viewer.
void ErrorBox(const std::string& text, const std::string& caption);
