#pragma once

#include "Reply.h"

#include <string>
#include <vector>

// Builders for the host's reply lines, column by column.
namespace host {

// "X1:" with the count in columns 4-5 and the first 33 extensions, then "X2:" and "X3:" with the next
// 33 each when the count reaches them. Each extension takes three columns, filled with blanks.
std::vector<std::string> extensionLines(const std::vector<std::string>& extensions);

// The "M:" line: flags are "1" or "0", digits the number's character, the image height three digits.
struct MLine {
    char column3 = ' ';
    bool resultToHost = false;    // col 4
    bool unattended = false;      // col 5
    char mode = '0';              // col 6: "2"/"3" print and close, "3"/"4" a printer "C:" line follows
    bool confirmPrint = false;    // col 7
    int printMode = 0;            // col 8
    int printCopies = 1;          // col 9
    bool openAfterSave = false;   // col 10
    bool textMode = false;        // col 11
    bool overwriteTarget = false; // col 12
    int approvalLines = 0;        // col 13
    bool hostSideSigning = false; // col 14
    bool padMessage = false;      // col 15
    int imageFormat = 0;          // col 16
    int imageHeight = 0;          // cols 17-19
    std::string version = "9";    // col 20 on

    std::string text() const;
};

// "%SRP", the base length in ten digits, the box X and Y in three digits each.
std::string controlLine(long long baseLength, int boxX, int boxY);

// A whole answer to "TBRR" (or "TBVR 0"): the extension lines after "TBRR 1" only, then "M:" and the
// lines that its columns announce, in the order the station reads them.
struct Handshake {
    std::vector<std::string> extensions = {"pdf", "txt", "doc", "jpg", "tif"};
    MLine m;
    std::string printerDescription = "LASER PRINTER";  // "C:" after "M:" when the mode is "3" or "4"
    std::string control = controlLine(0, 100, 200);    // when m.hostSideSigning
    std::string documentPath = "/usr/docs/inv100.pdf"; // "P:"
    std::string copiesText;                            // the second "C:"
    std::string sText;                                 // "S:"
    std::string targetPath = "C:\\Signed\\inv100.pdf"; // "T:"
    std::string textPath = "/usr/docs/inv100.txt";     // "X:"
    std::string padMessage = "Please sign below";      // "O:" when m.padMessage
    std::vector<std::string> approvalLines;            // an "L:" line each
    std::string finalLine = "+OK";

    std::vector<std::string> linesFor(const std::string& command) const;
    Reply replyTo(const std::string& command) const { return lines(linesFor(command)); }
    Responder responder() const;
};

} // namespace host
