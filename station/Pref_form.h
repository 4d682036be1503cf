#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The Preferences dialog: the eleven settings of "tablet.ini", checked and saved on OK.
class Tform_pref : public QDialog {
public:
    explicit Tform_pref(QWidget* parent = nullptr);

    void FormShow();
    void but_okClick();
    void but_cancelClick();
    void but_ssprintClick();

    QLineEdit* ed_hor = nullptr;
    QLineEdit* ed_ver = nullptr;
    QCheckBox* cb_pdf = nullptr;
    QSpinBox* sp_size = nullptr;
    QCheckBox* cb_bold = nullptr;
    QRadioButton* rb_defprint = nullptr;
    QRadioButton* rb_askprint = nullptr;
    QLineEdit* ed_top = nullptr;
    QLineEdit* ed_left = nullptr;
    QLineEdit* ed_lines = nullptr;
    QCheckBox* ck_monomsgs = nullptr;
    QCheckBox* ck_monoprompt = nullptr;
    QPushButton* but_ok = nullptr;
    QPushButton* but_cancel = nullptr;
    QPushButton* but_ssprint = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;
};

extern Tform_pref* form_pref;
