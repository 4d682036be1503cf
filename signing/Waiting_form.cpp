#include "Waiting_form.h"

#include "Adobe_form.h"
#include "Panel.h"
#include "Sig_image.h"
#include "station/Globals.h"
#include "station/Init.h"
#include "ui/AnsiText.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace ui;

Tform_waiting* form_waiting = nullptr;

Tform_waiting::Tform_waiting(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Stylara");
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(186, 134);
    QFont formFont;
    formFont.setFamilies({"MS Sans Serif", "Liberation Sans"});
    formFont.setPixelSize(11);
    setFont(formFont);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);

    Panel1 = new Panel(this, QColor(0xa6, 0xca, 0xf0));
    Panel1->setLowered(true);
    Panel1->setGeometry(2, 2, 182, 130);

    lab_text = new QLabel("Waiting for confirmation...", Panel1);
    lab_text->setGeometry(10, 10, 163, 17);
    lab_text->setAlignment(Qt::AlignCenter);
    lab_text->setFrameStyle(QFrame::Box | QFrame::Plain);
    lab_text->setAutoFillBackground(true);
    lab_text->setFocusPolicy(Qt::StrongFocus);
    QPalette white = lab_text->palette();
    white.setColor(QPalette::Window, Qt::white);
    lab_text->setPalette(white);

    memo = new QPlainTextEdit(Panel1);
    memo->setGeometry(10, 36, 163, 53);
    memo->setReadOnly(true);
    memo->setFrameStyle(QFrame::NoFrame);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setFocusPolicy(Qt::NoFocus);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont font;
    font.setFamilies({"Arial Monospaced", "Liberation Mono"});
    font.setPixelSize(13);
    memo->setFont(font);
    memo->document()->setDocumentMargin(1);

    but_cancel = new QPushButton("Cancel Document", Panel1);
    but_cancel->setGeometry(44, 100, 100, 20);
    but_cancel->setAutoDefault(false);
    connect(but_cancel, &QPushButton::clicked, this, guarded([this] { but_cancelClick(); }));
}

void Tform_waiting::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    runHandler([this] { FormShow(); });
}

void Tform_waiting::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    runHandler([this] { FormHide(); });
}

void Tform_waiting::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        but_cancel->click();
    else
        QDialog::keyPressEvent(event);
}

void Tform_waiting::FormShow() {
    memo->clear();
    for (const std::string& line : globals.ApprovalLines)
        memo->appendPlainText(fromAnsi(" " + line));
    memo->moveCursor(QTextCursor::Start);
    BringWindowToFront(this);
    lab_text->setFocus();
    form_adobe->but_print->setEnabled(false);
    form_adobe->but_cancel->setEnabled(false);
    form_adobe->Panel1->setEnabled(false);
}

// Hiding and closing the box both give the signing window back its document and buttons.
void Tform_waiting::FormHide() {
    form_adobe->Panel1->setEnabled(true);
    form_adobe->but_print->setEnabled(true);
    form_adobe->but_cancel->setEnabled(true);
}

void Tform_waiting::but_cancelClick() {
    if (MessageBox("Discard document and close program?", "Confirm", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) ==
        IDNO)
        return;
    hide();
    if (globals.ImageFormatCode != 0) SendCancelNotice();
    form_adobe->Close();
}
