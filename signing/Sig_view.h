#pragma once

#include <string>

// Putting a document in front of the user or on paper: the PDF application started and the PDF shown
// inside the signing window, printing of the PDF or of the text document, and opening with the shell.
void LoadAcrobat();
bool OpenPdfInView(const std::string& path);
void PrintDocument(bool ask);
void OpenWithShell(const std::string& path);
