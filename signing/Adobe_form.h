#pragma once

#include <QMainWindow>

#include <memory>

class TSigPlus;
class CAcroApp;

// The full-screen signing window. This first cut is the shell the start-up and shutdown need.
class Tform_adobe : public QMainWindow {
public:
    explicit Tform_adobe(QWidget* parent = nullptr);
    ~Tform_adobe() override;

    // The class library's Close: asks FormCloseQuery, then runs FormClose and hides the window.
    void Close();

    TSigPlus* SigPlus1 = nullptr;
    std::unique_ptr<CAcroApp> AcroApp; // the application holder, bound once the PDF application is loaded
};

extern Tform_adobe* form_adobe;
