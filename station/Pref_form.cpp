#include "Pref_form.h"

#include <QLineEdit>

Tform_pref* form_pref = nullptr;

Tform_pref::Tform_pref(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Preferences");
    ed_hor = new QLineEdit(this);
}
