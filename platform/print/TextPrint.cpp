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

void printTextPages(Printer& printer, const std::vector<std::string>& lines, const QFont& font,
                    const std::string& title, const TextLayout& layout)
{
    const int count = static_cast<int>(lines.size());
    const int copies = std::max(1, layout.copies);
    const int x = layout.leftMargin * 10;
    const int top = layout.topMargin * 10;
    printer.canvas().setFont(font);
    const int lineHeight = printer.canvas().textHeight("W");
    printer.title = title;

    printer.beginDoc();
    // Without a number of lines per page a sheet takes the lines that fit its printable height, and
    // at least one, so that no line runs off the paper and the loop still ends.
    const int linesPerPage = layout.linesPerPage >= 1
                                 ? layout.linesPerPage
                                 : std::max(1, (printer.pageHeight() - top) / std::max(1, lineHeight));
    int page = 1;
    bool newSheet = false;
    int last = 0;
    do {
        for (int copy = 0; copy < copies; ++copy) {
            if (newSheet)
                printer.newPage();
            newSheet = true;
            const int first = (page - 1) * linesPerPage;
            last = std::min(first + linesPerPage, count);
            for (int i = first, k = 0; i < last; ++i, ++k)
                printer.canvas().textOut(x, top + k * lineHeight, lines[i]);
        }
        ++page;
    } while (count > last);
    printer.endDoc();
}

} // namespace print
