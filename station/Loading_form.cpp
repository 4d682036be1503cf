#include "Loading_form.h"

#include "Init.h"
#include "signing/Adobe_form.h"
#include "ui/Application.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

Tform_loading* form_loading = nullptr;

Tform_loading::Tform_loading(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Norvane Stylara");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setFixedSize(260, 47);
    QFont formFont;
    formFont.setFamilies({"MS Sans Serif", "Liberation Sans"});
    formFont.setPixelSize(11);
    setFont(formFont);
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(0, 0, 260, 47);
    lab_wait = new QLabel("Loading Acrobat into memory - Please wait...", panel);
    lab_wait->setGeometry(8, 8, 231, 17);
    lab_wait->setAlignment(Qt::AlignCenter);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void Tform_loading::FormShow() {
    BringWindowToFront(form_adobe);
}

void Tform_loading::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui::runHandler([this] { FormShow(); });
}
