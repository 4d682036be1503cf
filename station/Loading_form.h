#pragma once

#include <QDialog>

class QLabel;

// The box shown while the PDF application starts.
class Tform_loading : public QDialog {
public:
    explicit Tform_loading(QWidget* parent = nullptr);

    void FormShow();

    QLabel* lab_wait = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

extern Tform_loading* form_loading;
