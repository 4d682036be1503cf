#pragma once

#include "print/PrintDialog.h"

#include <QMainWindow>

#include <memory>
#include <string>

class CAcroApp;
class CAcroAVDoc;
class Panel;
class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class TGradientLabel;
class TSigPlus;

// The full-screen signing window: the document (the PDF view or the text), the instructions, the
// signature as it is written, the status line, and the print, save and discard buttons.
class Tform_adobe : public QMainWindow {
public:
    explicit Tform_adobe(QWidget* parent = nullptr);
    ~Tform_adobe() override;

    // The class library's Close: asks FormCloseQuery; when the close may go ahead, runs FormClose and
    // hides the window.
    void Close();

    // The status line; a text other than "" shows the hourglass, unless the signing runs unattended.
    void SetStatusText(const std::string& text);

    void FormShow();
    void Panel1Resize();
    void FormCloseQuery(bool& CanClose);
    void FormClose();
    void Exit1Click();
    void but_cancelClick();
    void About1Click();
    void but_saveClick();
    void Print1Click();
    void but_printClick();
    void SigPlus1PenDown();

    // Window
    QMenuBar* MainMenu1 = nullptr;
    // Top panel
    Panel* pan_top = nullptr;
    Panel* Panel3 = nullptr;
    TGradientLabel* GradientLabel1 = nullptr;
    TGradientLabel* GradientLabel2 = nullptr;
    TGradientLabel* GradientLabel3 = nullptr;
    QPushButton* but_print = nullptr;
    QPushButton* but_save = nullptr;
    QPushButton* but_cancel = nullptr;
    Panel* Panel6 = nullptr;
    Panel* Panel7 = nullptr;
    Panel* pan_sig = nullptr;
    TSigPlus* SigPlus1 = nullptr;
    QLabel* lab_status = nullptr;
    // Document area
    Panel* Panel2 = nullptr;
    Panel* Panel1 = nullptr;
    QPlainTextEdit* re_text = nullptr;
    // Menu
    QMenu* File1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* N1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* About1 = nullptr;

    print::PrintDialog PrintDialog1;

    std::unique_ptr<CAcroApp> AcroApp;     // the application holder, bound once the PDF application is loaded
    std::unique_ptr<CAcroAVDoc> AcroAVDoc; // the document-view holder, bound with it

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateParams();
    void printClick();
    // The end of capture after an OK with points: the result in the request's mode; false when it
    // failed and the pen-down ends at once.
    bool endCapture();
};

extern Tform_adobe* form_adobe;
