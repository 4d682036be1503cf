#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTextEdit;

// The viewer's About box. Its creation, after the main form's, runs the start-up sequence; it also
// holds the printer descriptions of "plist" in the order of the file for the printer lookup.
class Tform_about : public QDialog {
public:
    explicit Tform_about(QWidget* parent = nullptr);

    void FormCreate();
    void but_closeClick();

    QLabel* Image1 = nullptr;
    QLabel* lab_ver = nullptr;
    QTextEdit* memo_addr = nullptr;
    QPushButton* but_close = nullptr;
    std::vector<std::string> lb_rprint; // never shown: the list lies outside the visible area
};

extern Tform_about* form_about;
