#include "About_form.h"

#include "Config_form.h"
#include "Globals.h"
#include "Init.h"
#include "Ports.h"
#include "signing/Adobe_form.h"
#include "signing/Images_form.h"
#include "signing/Sig.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "win/Files.h"
#include "win/WinPath.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

#include <cstring>

using namespace ui;

Tform_about* form_about = nullptr;

Tform_about::Tform_about(QWidget* parent) : QDialog(parent)
{
    // The instance is reachable while the start-up runs, as when the class library creates a form.
    form_about = this;
    setWindowTitle("About");
    auto* layout = new QGridLayout(this);
    Image1 = new QLabel(this);
    Image1->setPixmap(form_config ? form_config->windowIcon().pixmap(32, 32) : QPixmap());
    auto* product = new QLabel("Norvane Stylara", this);
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    auto* version = new QLabel("Version: ", this);
    lab_ver = new QLabel(this);
    memo_addr = new QTextEdit(this);
    memo_addr->setReadOnly(true);
    memo_addr->setAlignment(Qt::AlignCenter);
    memo_addr->setPlainText("Norvane Systems\nSignature capture for UNIX");
    memo_addr->setAlignment(Qt::AlignCenter);
    but_close = new QPushButton("Close", this);
    but_close->setDefault(true);
    layout->addWidget(Image1, 0, 0, 2, 1);
    layout->addWidget(product, 0, 1, 1, 2);
    layout->addWidget(version, 1, 1);
    layout->addWidget(lab_ver, 1, 2);
    layout->addWidget(memo_addr, 2, 0, 1, 3);
    layout->addWidget(but_close, 3, 1);
    connect(but_close, &QPushButton::clicked, this, guarded([this] { but_closeClick(); }));
    runHandler([this] { FormCreate(); });
}

void Tform_about::but_closeClick() { hide(); }

void LoadWelcomeScreen()
{
    const std::string bitmapPath = globals.ProgramDir + "\\welcome.bmp";
    const std::string textPath = globals.ProgramDir + "\\welcome.txt";
    if (win::fileExists(bitmapPath)) {
        QImage picture;
        if (picture.load(QString::fromStdString(win::nativePath(bitmapPath)))) {
            form_images->im_welcome = picture;
        } else {
            BringWindowToFront(form_adobe);
            MessageBox("Could not load custom welcome bitmap!", "Error", MB_OK | MB_ICONERROR);
            form_images->im_welcome = form_images->im_welcomebk.copy();
        }
        return;
    }
    if (!win::fileExists(textPath))
        return;
    std::FILE* file = win::openFile(textPath, "rb");
    if (!file) {
        BringWindowToFront(form_adobe);
        MessageBox("Could not open welcome message text file!", "Stylara - Error", MB_OK | MB_ICONERROR);
        return;
    }
    char line[120];
    if (!win::textModeGets(line, sizeof line, file)) {
        BringWindowToFront(form_adobe);
        MessageBox("Could not read from welcome message text file!", "Stylara - Error", MB_OK | MB_ICONERROR);
    } else {
        const size_t length = std::strlen(line);
        auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
        if (length >= 2 && isBreak(line[length - 2]))
            line[length - 2] = '\0';
        else if (length >= 1 && isBreak(line[length - 1]))
            line[length - 1] = '\0';
        globals.WelcomeText = line;
    }
    std::fclose(file);
}

void Tform_about::FormCreate()
{
    lab_ver->setText("03.00.02");
    if (!ReadInstallDir()) {
        form_config->Close();
        return;
    }
    LoadSettings();
    globals.WindowsDir.clear();
    globals.DefaultPrinter.clear();
    ReadDefaultPrinter();
    globals.ExtensionCount = -1;
    globals.WelcomeText.clear();
    LoadWelcomeScreen();
    PurgeTempFolder();
    if (!CheckTabletModel()) {
        form_config->Close();
        return;
    }
    globals.SigningActive = false;
    globals.DocumentSigned = false;
    globals.ImageFormatCode = 0;
    ShowTabletWelcome(true);
    // A port that cannot be opened leaves the station in the tray without requests, silently.
    StartListening(PcPort());
}
