#pragma once

#include <QFont>
#include <QString>

#include <string>
#include <vector>

namespace print {

class Printer;

// The lines of a plain text as the class library's rich edit counts them: an empty last line is no
// line, so an empty text has none.
std::vector<std::string> textLines(const QString& text);

// Makes the installed printer of that name the current one; where names repeat the last one wins, and
// a name that matches none leaves the current printer.
void selectPrinterByName(Printer& printer, const std::string& name);

struct TextLayout {
    int linesPerPage = 60;
    int copies = 1;     // each page this many times before the next
    int leftMargin = 0; // in tenths of the margin unit, as the settings hold them
    int topMargin = 0;
};

// One print job: every page of the lines, each sheet repeated for the copies, a line the height of
// "W" in the font. Each page starts a sheet; where a page holds more lines than fit the printable
// height below the top margin, the rest go on the next sheet, and a margin below zero or one that
// leaves no room for one line (top) or one letter (left) is not kept. Fewer than one line per page
// makes a page of what fits one sheet, and fewer than one copy prints one, so the job always ends and
// prints every line on the paper.
void printTextPages(Printer& printer, const std::vector<std::string>& lines, const QFont& font,
                    const std::string& title, const TextLayout& layout);

} // namespace print
