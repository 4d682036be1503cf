#pragma once

#include "ui/SortedStrings.h"

#include <QDialog>

// The Printer Definitions dialog; it also holds the printer-description list that the lookup uses.
class Tform_printers : public QDialog {
public:
    explicit Tform_printers(QWidget* parent = nullptr);

    ui::SortedStrings lb_rprint; // hidden sorted list of the "plist" lines
};

extern Tform_printers* form_printers;
