#include "Adobe_form.h"

#include "acrobat/Acrobat.h"
#include "sigplus/SigPlus.h"
#include "station/Globals.h"
#include "ui/Application.h"

#include <QLabel>

Tform_adobe* form_adobe = nullptr;

Tform_adobe::Tform_adobe(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle("Norvane Stylara");
    SigPlus1 = new TSigPlus(this);
    lab_status = new QLabel(this);
}

void Tform_adobe::SetStatusText(const std::string& text)
{
    lab_status->setText(QString::fromLocal8Bit(text.c_str()));
    lab_status->repaint();
    if (!globals.Unattended)
        ui::setScreenCursor(text.empty() ? ui::Cursor::Default : ui::Cursor::Hourglass);
}

Tform_adobe::~Tform_adobe() = default;

void Tform_adobe::Close()
{
    hide();
    globals.SigningActive = false;
}
