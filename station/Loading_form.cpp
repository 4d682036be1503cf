#include "Loading_form.h"

#include "Init.h"
#include "signing/Adobe_form.h"
#include "ui/Application.h"

#include <QLabel>
#include <QVBoxLayout>

Tform_loading* form_loading = nullptr;

Tform_loading::Tform_loading(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Norvane Stylara");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    auto* layout = new QVBoxLayout(this);
    lab_wait = new QLabel("Loading Acrobat into memory - Please wait...", this);
    lab_wait->setAlignment(Qt::AlignCenter);
    layout->addWidget(lab_wait);
    resize(260, 47);
}

void Tform_loading::FormShow() { BringWindowToFront(form_adobe); }

void Tform_loading::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ui::runHandler([this] { FormShow(); });
}
