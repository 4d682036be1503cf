#include "PrintDialog.h"

#include "Printer.h"

#include <QPrintDialog>
#include <QPrinter>

namespace print {

namespace {
DialogScript* activeScript = nullptr;

bool showQt(DialogChoice& choice, QWidget* owner) {
    const std::vector<std::string> names = printer().printers();
    QPrinter offered(QPrinter::HighResolution);
    if (choice.printerIndex >= 0) offered.setPrinterName(QString::fromLocal8Bit(names[choice.printerIndex].c_str()));
    offered.setCopyCount(choice.copies);
    offered.setCollateCopies(choice.collate);
    QPrintDialog dialog(&offered, owner);
    if (dialog.exec() != QDialog::Accepted) return false;
    choice.printerIndex = -1;
    const std::string chosen = offered.printerName().toLocal8Bit().toStdString();
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == chosen) choice.printerIndex = static_cast<int>(i);
    choice.copies = offered.copyCount();
    choice.collate = offered.collateCopies();
    return true;
}
} // namespace

int PrintDialog::copies() const {
    return printer().copies();
}

void PrintDialog::setCopies(int copies) {
    printer().setCopies(copies);
}

bool PrintDialog::execute(QWidget* owner) {
    DialogChoice choice{printer().printerIndex(), printer().copies(), m_collate};
    const bool ok = activeScript ? activeScript->answer(choice) : showQt(choice, owner);
    if (!ok) return false;
    printer().setPrinterIndex(choice.printerIndex);
    printer().setCopies(choice.copies);
    printer().setCollate(choice.collate);
    m_collate = choice.collate;
    return true;
}

DialogScript::DialogScript(Responder responder) : m_responder(std::move(responder)), m_previous(activeScript) {
    activeScript = this;
}

DialogScript::~DialogScript() {
    activeScript = m_previous;
}

bool DialogScript::answer(DialogChoice& choice) {
    m_offered.push_back(choice);
    return m_responder ? m_responder(choice) : true;
}

} // namespace print
