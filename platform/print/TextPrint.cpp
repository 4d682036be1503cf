#include "TextPrint.h"

#include "Printer.h"
#include "ui/AnsiText.h"

#include <QStringList>

#include <algorithm>

namespace print {

std::vector<std::string> textLines(const QString& text)
{
    QStringList lines = text.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    std::vector<std::string> result;
    for (const QString& line : lines)
        result.push_back(ui::toAnsi(line));
    return result;
}

void selectPrinterByName(Printer& printer, const std::string& name)
{
    const std::vector<std::string> names = printer.printers();
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            printer.setPrinterIndex(static_cast<int>(i));
}

namespace {

// A margin as the settings hold it (ten device units each), in device units where it is kept. One
// below zero would put the first lines above the paper, or the start of every line left of it, and one
// that leaves no room for one line or one letter (the extent) would put all the text past the paper:
// the text is then written from the top or the left of the printable area.
int keptMargin(int margin, int extent, int room)
{
    const long long kept = margin * 10LL;
    return kept < 0 || kept + extent > room ? 0 : static_cast<int>(kept);
}

} // namespace

void printTextPages(Printer& printer, const std::vector<std::string>& lines, const QFont& font,
                    const std::string& title, const TextLayout& layout)
{
    const int count = static_cast<int>(lines.size());
    const int copies = std::max(1, layout.copies);
    printer.canvas().setFont(font);
    const int lineHeight = std::max(1, printer.canvas().textHeight("W"));
    const int letterWidth = std::max(1, printer.canvas().textWidth("W"));
    printer.title = title;

    printer.beginDoc();
    const int pageHeight = printer.pageHeight();
    const int top = keptMargin(layout.topMargin, lineHeight, pageHeight);
    const int x = keptMargin(layout.leftMargin, letterWidth, printer.pageWidth());
    // At least one line a sheet, so that a letter taller than the sheet still moves the job on.
    const int linesPerSheet = std::max(1, (pageHeight - top) / lineHeight);
    // Without a number of lines per page a page is what fits one sheet.
    const int linesPerPage = layout.linesPerPage >= 1 ? layout.linesPerPage : linesPerSheet;
    bool newSheet = false;
    int pageStart = 0;
    // Every page starts a sheet, as the text was laid out for; the lines of a page that do not fit
    // below the ones before go on to the next sheet rather than off the paper.
    do {
        const int pageEnd = std::min(pageStart + linesPerPage, count);
        int sheetStart = pageStart;
        do {
            const int sheetEnd = std::min(sheetStart + linesPerSheet, pageEnd);
            for (int copy = 0; copy < copies; ++copy) {
                if (newSheet)
                    printer.newPage();
                newSheet = true;
                for (int i = sheetStart; i < sheetEnd; ++i)
                    printer.canvas().textOut(x, top + (i - sheetStart) * lineHeight, lines[i]);
            }
            sheetStart = sheetEnd;
        } while (sheetStart < pageEnd);
        pageStart = pageEnd;
    } while (pageStart < count);
    printer.endDoc();
}

} // namespace print
