#pragma once

#include "ui/SortedStrings.h"

#include <QDialog>

#include <string>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// The Printer Definitions dialog; it also holds the printer-description list that the lookup uses.
class Tform_printers : public QDialog {
public:
    explicit Tform_printers(QWidget* parent = nullptr);

    void FormShow();
    void lb_printersClick();
    // A key typed in the description; a null Key drops it.
    void ed_descKeyPress(QChar& Key);
    void but_saveClick();
    void but_okClick();
    void but_cancelClick();

    QListWidget* lb_printers = nullptr; // the installed printers, sorted
    QLineEdit* ed_desc = nullptr;
    QPushButton* but_save = nullptr;
    QPushButton* but_ok = nullptr;
    QPushButton* but_cancel = nullptr;
    ui::SortedStrings lb_rprint; // hidden sorted list of the "plist" lines

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    // The selected printer's name as a line key, "%-50.50s"; raises the list's index error without one.
    std::string selectedKey() const;
    QListWidgetItem* m_selectedAtPress = nullptr; // the selection when the mouse went down
};

extern Tform_printers* form_printers;
