#include "Init.h"

#include "Config_form.h"
#include "Globals.h"
#include "print/Printer.h"

#include <QPlainTextEdit>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace {
// The lines of the text view as the rich edit counts them: an empty last line is no line, so an
// empty view has none.
std::vector<QString> textLines(const QPlainTextEdit& view)
{
    QStringList lines = view.toPlainText().split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return {lines.begin(), lines.end()};
}
} // namespace

void PrintTextDocument()
{
    print::Printer& printer = print::printer();
    // What the view holds now is what was asked for: a request that comes while the print dialog is
    // open loads its own text into the view before this one goes on.
    const std::vector<QString> lines = textLines(*form_config->re_text);
    const QFont font = form_config->re_text->font();
    int copiesLoop = 1;
    if (globals.AskForPrinter) {
        form_config->PrintDialog1.setCopies(globals.PrintCopies);
        form_config->PrintDialog1.setCollate(true);
        if (!form_config->PrintDialog1.execute(form_config))
            return;
        form_config->repaint();
    } else {
        if (!globals.DocumentPrinter.empty()) {
            const std::vector<std::string> names = printer.printers();
            for (size_t i = 0; i < names.size(); ++i)
                if (names[i] == globals.DocumentPrinter)
                    printer.setPrinterIndex(static_cast<int>(i));
        }
        form_config->PrintDialog1.setCopies(1);
        // A copies digit below 1 would draw no sheet and never end the page loop: one copy is printed.
        copiesLoop = std::max(1, globals.PrintCopies);
    }

    const int count = static_cast<int>(lines.size());
    // Fewer than one line per page would never get through the text: it all goes on one sheet.
    const int linesPerPage = globals.LinesPerPage >= 1 ? globals.LinesPerPage : std::max(1, count);
    const int x = globals.LeftMargin * 10;
    const int top = globals.TopMargin * 10;
    printer.canvas().setFont(font);
    const int lineHeight = printer.canvas().textHeight("W");
    printer.title = "Norvane Stylara PDF Viewer";

    printer.beginDoc();
    int page = 1;
    bool newSheet = false;
    int last = 0;
    do {
        for (int copy = 0; copy < copiesLoop; ++copy) {
            if (newSheet)
                printer.newPage();
            newSheet = true;
            const int first = (page - 1) * linesPerPage;
            last = std::min(first + linesPerPage, count);
            for (int i = first, k = 0; i < last; ++i, ++k)
                printer.canvas().textOut(x, top + k * lineHeight, lines[i].toLocal8Bit().toStdString());
        }
        ++page;
    } while (count > last);
    printer.endDoc();
}
