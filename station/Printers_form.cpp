#include "Printers_form.h"

Tform_printers* form_printers = nullptr;

Tform_printers::Tform_printers(QWidget* parent) : QDialog(parent) { setWindowTitle("Printer Definitions"); }
