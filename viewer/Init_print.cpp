#include "Init.h"

#include "Config_form.h"
#include "Globals.h"
#include "print/Printer.h"
#include "print/TextPrint.h"

#include <QPlainTextEdit>

#include <vector>

void PrintTextDocument()
{
    print::Printer& printer = print::printer();
    // What the view holds now is what was asked for: a request that comes while the print dialog is
    // open loads its own text into the view before this one goes on.
    const std::vector<std::string> lines = print::textLines(form_config->re_text->toPlainText());
    const QFont font = form_config->re_text->font();
    int copiesLoop = 1;
    if (globals.AskForPrinter) {
        form_config->PrintDialog1.setCopies(globals.PrintCopies);
        form_config->PrintDialog1.setCollate(true);
        if (!form_config->PrintDialog1.execute(form_config))
            return;
        form_config->repaint();
    } else {
        if (!globals.DocumentPrinter.empty())
            print::selectPrinterByName(printer, globals.DocumentPrinter);
        form_config->PrintDialog1.setCopies(1);
        copiesLoop = globals.PrintCopies; // the page loop prints one copy for a digit below 1
    }

    print::printTextPages(printer, lines, font, "Norvane Stylara PDF Viewer",
                          {globals.LinesPerPage, copiesLoop, globals.LeftMargin, globals.TopMargin});
}
