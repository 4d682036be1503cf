#include "Printers_form.h"

#include "Globals.h"
#include "Init.h"
#include "print/InstalledPrinters.h"
#include "ui/AnsiText.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "ui/TypingLimit.h"
#include "win/Files.h"
#include "win/LibraryError.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>

using namespace ui;

Tform_printers* form_printers = nullptr;

namespace {

// "%-50.50s": blank-padded to 50 characters, cut at 50.
std::string lineKey(const std::string& name)
{
    std::string key = name.substr(0, 50);
    key.resize(50, ' ');
    return key;
}

// Keys the dialog itself handles never reach the description as typed characters.
bool isDialogKey(int key) { return key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Escape; }

} // namespace

Tform_printers::Tform_printers(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Printer Definitions");
    auto* layout = new QGridLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    layout->addWidget(new QLabel("Available Printers:", this), 0, 0);
    lb_printers = new QListWidget(this);
    lb_printers->setSelectionMode(QAbstractItemView::SingleSelection);
    lb_printers->setFixedSize(260, 160);
    layout->addWidget(lb_printers, 1, 0, 4, 1);

    layout->addWidget(new QLabel("Custom Description:", this), 0, 1, 1, 2);
    ed_desc = new QLineEdit(this);
    ed_desc->setValidator(new TypingLimit(20, ed_desc));
    ed_desc->setFixedWidth(ed_desc->fontMetrics().horizontalAdvance(QString(20, 'n')) + 16);
    ed_desc->installEventFilter(this);
    layout->addWidget(ed_desc, 1, 1, 1, 2);
    but_save = new QPushButton("Save", this);
    layout->addWidget(but_save, 2, 1, Qt::AlignLeft);
    layout->setRowStretch(3, 1);
    but_ok = new QPushButton("OK", this);
    but_cancel = new QPushButton("Cancel", this);
    layout->addWidget(but_ok, 4, 1);
    layout->addWidget(but_cancel, 4, 2);

    connect(lb_printers, &QListWidget::itemSelectionChanged, this, guarded([this] { lb_printersClick(); }));
    // A click on the printer already selected changes no selection, yet shows its description again.
    lb_printers->viewport()->installEventFilter(this);
    connect(lb_printers, &QListWidget::itemClicked, this, guarded([this](QListWidgetItem* item) {
                if (item == m_selectedAtPress)
                    lb_printersClick();
            }));
    connect(but_save, &QPushButton::clicked, this, guarded([this] { but_saveClick(); }));
    connect(but_ok, &QPushButton::clicked, this, guarded([this] { but_okClick(); }));
    connect(but_cancel, &QPushButton::clicked, this, guarded([this] { but_cancelClick(); }));
}

void Tform_printers::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        runHandler([this] { FormShow(); });
}

bool Tform_printers::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lb_printers->viewport() && event->type() == QEvent::MouseButtonPress) {
        const QList<QListWidgetItem*> selected = lb_printers->selectedItems();
        m_selectedAtPress = selected.isEmpty() ? nullptr : selected.front();
        return QDialog::eventFilter(watched, event);
    }
    if (watched != ed_desc || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    // The dialog has no default button: Enter in the description presses none of them.
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        return true;
    if (key->text().isEmpty() || isDialogKey(key->key()))
        return false;
    QChar typed = key->text().at(0);
    runHandler([&] { ed_descKeyPress(typed); });
    return typed.isNull();
}

void Tform_printers::reject()
{
    runHandler([this] { but_cancelClick(); });
}

std::string Tform_printers::selectedKey() const
{
    const QList<QListWidgetItem*> selected = lb_printers->selectedItems();
    if (selected.isEmpty())
        throw win::LibraryError(win::formatMessage("List index out of bounds (%d)", -1L));
    return lineKey(selected.front()->data(Qt::UserRole).toByteArray().toStdString());
}

void Tform_printers::FormShow()
{
    {
        // Filling the list is no click of the user's.
        const QSignalBlocker quiet(lb_printers);
        lb_printers->clear();
        lb_rprint.Clear();
        ed_desc->clear();
        SortedStrings installed;
        for (const std::string& name : print::installedPrinters())
            installed.Add(name);
        for (const std::string& name : installed.items()) {
            auto* item = new QListWidgetItem(QString::fromStdString(name), lb_printers);
            item->setData(Qt::UserRole, QByteArray::fromStdString(name));
        }
    }
    LoadPrinterDescriptions();
    but_save->setEnabled(false);
    lb_printers->setFocus();
}

void Tform_printers::lb_printersClick()
{
    ed_desc->clear();
    const std::string key = selectedKey();
    for (const std::string& line : lb_rprint.items())
        if (line.compare(0, 50, key) == 0) {
            ed_desc->setText(fromAnsi(DescriptionOfLine(line)));
            break;
        }
}

void Tform_printers::ed_descKeyPress(QChar& Key)
{
    if (Key == ' ') {
        Key = QChar();
        MessageBeep(0);
        return;
    }
    but_save->setEnabled(true);
}

void Tform_printers::but_saveClick()
{
    // The host names a description in the PC's code page, and the lookup compares bytes.
    const std::string description = toAnsi(ed_desc->text());
    if (description.empty()) {
        MessageBox("Please enter a description.", "Note", MB_OK | MB_ICONINFORMATION);
        return;
    }
    const std::string key = selectedKey();
    const std::string line = key + description;
    bool replaced = false;
    for (int i = 0; i < lb_rprint.Count() && !replaced; ++i)
        if (lb_rprint[i].compare(0, 50, key) == 0) {
            lb_rprint.Put(i, line);
            replaced = true;
        }
    if (!replaced)
        lb_rprint.Add(line);
    but_save->setEnabled(false);
    lb_printers->setFocus();
}

void Tform_printers::but_okClick()
{
    const std::string path = globals.ProgramDir + "\\plist";
    std::string text;
    for (const std::string& line : lb_rprint.items())
        text += line + "\r\n";
    // Written beside the old list and put in its place, so a disk that takes only part of the new one
    // leaves the old one whole; the failure is said and the dialog stays open.
    win::StagedFile staged(path);
    if (!staged.write(text.data(), text.size()) || !staged.commit(true))
        throw win::LibraryError(
            win::formatMessage(staged.failed() ? "Unable to write to %s" : "Cannot create file %s", path));
    accept();
}

void Tform_printers::but_cancelClick() { QDialog::reject(); }
