#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTextEdit;

// The About box. Its creation, the last of the eight forms, runs the station's start-up sequence.
class Tform_about : public QDialog {
public:
    explicit Tform_about(QWidget* parent = nullptr);

    void FormCreate();
    void but_closeClick();

    QLabel* Image1 = nullptr;
    QLabel* lab_ver = nullptr;
    QTextEdit* memo_addr = nullptr;
    QPushButton* but_close = nullptr;
};

extern Tform_about* form_about;

// Step 6 of the start-up: the pad's idle picture or welcome text from the installation folder.
void LoadWelcomeScreen();
