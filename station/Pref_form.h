#pragma once

#include <QDialog>

class QLineEdit;

// The Preferences dialog.
class Tform_pref : public QDialog {
public:
    explicit Tform_pref(QWidget* parent = nullptr);

    QLineEdit* ed_hor = nullptr;
};

extern Tform_pref* form_pref;
