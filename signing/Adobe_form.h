#pragma once

#include <QMainWindow>

#include <memory>
#include <string>

class QLabel;
class TSigPlus;
class CAcroApp;

// The full-screen signing window. This first cut is the shell the start-up and shutdown need.
class Tform_adobe : public QMainWindow {
public:
    explicit Tform_adobe(QWidget* parent = nullptr);
    ~Tform_adobe() override;

    // The class library's Close: asks FormCloseQuery, then runs FormClose and hides the window.
    void Close();

    // The status line; a text other than "" shows the hourglass, unless the signing runs unattended.
    void SetStatusText(const std::string& text);

    QLabel* lab_status = nullptr;
    TSigPlus* SigPlus1 = nullptr;
    std::unique_ptr<CAcroApp> AcroApp; // the application holder, bound once the PDF application is loaded
};

extern Tform_adobe* form_adobe;
