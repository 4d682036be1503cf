#pragma once

#include <QDialog>

class Panel;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The waiting box, on the screen while the approval prompts are on the pad: it shows the prompts and
// lets the document be discarded.
class Tform_waiting : public QDialog {
public:
    explicit Tform_waiting(QWidget* parent = nullptr);

    void FormShow();
    void FormHide();
    void but_cancelClick();

    Panel* Panel1 = nullptr;
    QLabel* lab_text = nullptr;
    QPlainTextEdit* memo = nullptr;
    QPushButton* but_cancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Escape presses the Cancel button.
    void keyPressEvent(QKeyEvent* event) override;
};

extern Tform_waiting* form_waiting;
