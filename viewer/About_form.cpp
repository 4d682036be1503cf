#include "About_form.h"

#include "Config_form.h"
#include "Globals.h"
#include "Init.h"
#include "station/Ports.h"
#include "ui/Application.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>

Tform_about* form_about = nullptr;

namespace {
QLabel* boldLabel(const char* text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}
} // namespace

Tform_about::Tform_about(QWidget* parent) : QDialog(parent)
{
    // The instance is reachable while the start-up runs, as when the class library creates a form.
    form_about = this;
    setWindowTitle("About");
    auto* layout = new QGridLayout(this);
    Image1 = new QLabel(this);
    Image1->setPixmap(form_config ? form_config->windowIcon().pixmap(32, 32) : QPixmap());
    auto* version = new QLabel("Version: ", this);
    lab_ver = new QLabel(this);
    memo_addr = new QTextEdit(this);
    memo_addr->setReadOnly(true);
    memo_addr->setPlainText("Norvane Systems\nSigned documents from your UNIX host");
    QTextCursor all(memo_addr->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignCenter);
    all.mergeBlockFormat(centred);
    but_close = new QPushButton("Close", this);
    but_close->setDefault(true);
    layout->addWidget(Image1, 0, 0, 3, 1);
    layout->addWidget(boldLabel("Norvane Stylara", this), 0, 1, 1, 2);
    layout->addWidget(boldLabel("Signed PDF Viewer", this), 1, 1, 1, 2);
    layout->addWidget(version, 2, 1);
    layout->addWidget(lab_ver, 2, 2);
    layout->addWidget(memo_addr, 3, 0, 1, 3);
    layout->addWidget(but_close, 4, 1);
    connect(but_close, &QPushButton::clicked, this, ui::guarded([this] { but_closeClick(); }));
    ui::runHandler([this] { FormCreate(); });
}

void Tform_about::but_closeClick() { hide(); }

void Tform_about::FormCreate()
{
    lab_ver->setText("03.00.02");
    if (!ReadInstallDir()) {
        form_config->Close();
        return;
    }
    ReadTextPrintSettings();
    PurgeTempFolder();
    // A port that cannot be opened leaves the viewer in the tray without requests, silently.
    StartListening(PcPort());
}
