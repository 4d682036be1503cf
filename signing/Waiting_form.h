#pragma once

#include <QDialog>

// The waiting box shown while the approval screen is on the pad.
class Tform_waiting : public QDialog {
public:
    explicit Tform_waiting(QWidget* parent = nullptr);
};

extern Tform_waiting* form_waiting;
