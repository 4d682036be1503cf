#pragma once

#include <string>

// The viewer's one shared state record: the station's type name with a smaller layout of its own.
// Every unit reads and writes it directly on the GUI thread; text is std::string holding bytes.
struct _globals {
    char ReplyLine[20481] = {};  // last host line, at most 20480 characters and a NUL
    std::string ProgramDir;      // installation directory (registry "Dir")
    std::string TempDir;         // ProgramDir + "\Temp"
    std::string DocumentPrinter; // printer found for the "C:" description; empty: the current one
    bool TextBold = false;       // "tablet.ini" [TEXT], read once at start
    int TextSize = 0;
    bool AskForPrinter = false;
    int TopMargin = 0;
    int LeftMargin = 0;
    int LinesPerPage = 0;
    bool FetchTextFlag = false; // the digits of "TBGF"; the viewer never sets them
    bool FetchPdfFlag = false;
    int PrintCopies = 0;          // "M:" column 9
    std::string HostTextPath;     // "X:" host path of the text to print
    std::string SourceTextPath;   // TempDir + "\source.pdf"
    std::string UnsignedPdfPath;  // TempDir + "\unsigned.pdf"
    bool UseComputerName = false; // the station id is the computer name, else the local address
    std::string HostAddress;      // the host the request came from
};

extern _globals globals;

// Puts the record back as it is before start-up code runs; for tests that run the viewer in-process.
void ResetGlobals();
