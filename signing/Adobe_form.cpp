#include "Adobe_form.h"

#include "acrobat/Acrobat.h"
#include "sigplus/SigPlus.h"
#include "station/Globals.h"

Tform_adobe* form_adobe = nullptr;

Tform_adobe::Tform_adobe(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle("Norvane Stylara");
    SigPlus1 = new TSigPlus(this);
}

Tform_adobe::~Tform_adobe() = default;

void Tform_adobe::Close()
{
    hide();
    globals.SigningActive = false;
}
