#include "Waiting_form.h"

Tform_waiting* form_waiting = nullptr;

Tform_waiting::Tform_waiting(QWidget* parent) : QDialog(parent) { setWindowTitle("Stylara"); }
