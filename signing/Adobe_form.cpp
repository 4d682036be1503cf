#include "Adobe_form.h"

#include "Panel.h"
#include "Sig.h"
#include "Sig_delivery.h"
#include "Sig_image.h"
#include "Sig_view.h"
#include "Waiting_form.h"
#include "acrobat/Acrobat.h"
#include "components/GradientLabel.h"
#include "sigplus/SigPlus.h"
#include "station/About_form.h"
#include "station/Config_form.h"
#include "station/Globals.h"
#include "station/Init.h"
#include "ui/AnsiText.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"
#include "win/Files.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>

using namespace ui;

Tform_adobe* form_adobe = nullptr;

namespace {
const QColor navy(0, 0, 0x80);
const QColor skyBlue(0xa6, 0xca, 0xf0);

// The fonts of the form description, with the Liberation faces standing in where they are missing.
QFont formFont(const char* family, const char* standIn, int pixels) {
    QFont font;
    font.setFamilies({family, standIn});
    font.setPixelSize(pixels);
    return font;
}

// One of the three instruction labels: sky blue fading to white, text at the top.
TGradientLabel* instruction(QWidget* parent, const char* caption, QRect place)
{
    auto* label = new TGradientLabel(parent);
    label->setGeometry(place);
    label->SetColor(0xF0CAA6); // sky blue
    label->SetColorTo(0xFFFFFF);
    label->SetGradientType(gtFullHorizontal);
    label->SetOrientation(goHorizontal);
    label->SetVAlignment(vaTop);
    label->SetEllipsType(etNone);
    label->SetIndent(0);
    label->SetLineWidth(2);
    label->SetTransparentText(false);
    label->setFont(formFont("MS Sans Serif", "Liberation Sans", 13));
    label->SetCaption(caption);
    return label;
}

QPushButton* glyphButton(QWidget* parent, const char* caption, QStyle::StandardPixmap glyph, int y) {
    auto* button = new QPushButton(parent->style()->standardIcon(glyph), caption, parent);
    button->setGeometry(304, y, 147, 27);
    return button;
}
} // namespace

Tform_adobe::Tform_adobe(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle("Norvane Stylara");
    CreateParams();
    setFont(formFont("MS Sans Serif", "Liberation Sans", 11));

    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(5, 5, 5, 5); // the form's border width
    layout->setSpacing(0);
    setCentralWidget(client);

    pan_top = new Panel(client);
    pan_top->setFixedHeight(105);
    layout->addWidget(pan_top);

    Panel3 = new Panel(pan_top, navy);
    Panel3->setGeometry(6, 5, 278, 95);
    GradientLabel1 = instruction(Panel3, "INSTRUCTIONS", QRect(4, 4, 270, 87));
    QFont bold = GradientLabel1->font();
    bold.setBold(true);
    GradientLabel1->setFont(bold);
    GradientLabel1->SetAlignment(taCenter);
    GradientLabel2 = instruction(Panel3, " Review the document below carefully.", QRect(4, 30, 270, 17));
    GradientLabel3 = instruction(
        Panel3, " If it is accurate and complete, sign your name  on the signature tablet and touch \"OK\".",
        QRect(4, 54, 270, 37));
    GradientLabel3->SetWordWrap(true);
    // The title's gradient lies behind the two lines of text.
    GradientLabel1->lower();

    but_print = glyphButton(pan_top, " Print Document", QStyle::SP_FileDialogDetailedView, 6);
    but_save = glyphButton(pan_top, "Save Signed Document", QStyle::SP_DialogSaveButton, 38);
    but_save->setEnabled(false);
    but_cancel = glyphButton(pan_top, "Discard Document ", QStyle::SP_DialogDiscardButton, 70);

    Panel6 = new Panel(pan_top);
    Panel6->setGeometry(472, 10, 150, 60);
    Panel7 = new Panel(Panel6);
    Panel7->setGeometry(0, 0, 150, 17);
    auto* signatureCaption = new QLabel("Signature:", Panel7);
    signatureCaption->setGeometry(4, 0, 146, 17);
    pan_sig = new Panel(Panel6, Qt::white);
    pan_sig->setGeometry(0, 17, 150, 43);
    SigPlus1 = new TSigPlus(pan_sig);
    SigPlus1->setGeometry(-16, -1, 230, 78);

    lab_status = new QLabel(pan_top);
    lab_status->setGeometry(472, 78, 150, 17);
    lab_status->setAlignment(Qt::AlignCenter);
    lab_status->setAutoFillBackground(true);
    QPalette statusColors = lab_status->palette();
    statusColors.setColor(QPalette::Window, skyBlue);
    lab_status->setPalette(statusColors);

    Panel2 = new Panel(client);
    layout->addWidget(Panel2, 1);
    auto* documentArea = new QVBoxLayout(Panel2);
    documentArea->setContentsMargins(0, 0, 0, 0);
    Panel1 = new Panel(Panel2, Qt::white);
    Panel1->setCaption("(No document is available for viewing)");
    Panel1->setFocusPolicy(Qt::StrongFocus);
    documentArea->addWidget(Panel1);
    auto* textArea = new QVBoxLayout(Panel1);
    textArea->setContentsMargins(0, 0, 0, 0);
    re_text = new QPlainTextEdit(Panel1);
    re_text->setReadOnly(true);
    re_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    re_text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    re_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    re_text->setTabChangesFocus(true);
    re_text->setFont(formFont("Arial Monospaced", "Liberation Mono", 15));
    textArea->addWidget(re_text);

    MainMenu1 = menuBar();
    File1 = MainMenu1->addMenu("&File");
    Print1 = File1->addAction("Print...");
    N1 = File1->addSeparator();
    Exit1 = File1->addAction("E&xit");
    Help1 = MainMenu1->addMenu("Help");
    About1 = Help1->addAction("About...");

    connect(but_print, &QPushButton::clicked, this, guarded([this] { but_printClick(); }));
    connect(but_save, &QPushButton::clicked, this, guarded([this] { but_saveClick(); }));
    connect(but_cancel, &QPushButton::clicked, this, guarded([this] { but_cancelClick(); }));
    connect(Print1, &QAction::triggered, this, guarded([this] { Print1Click(); }));
    connect(Exit1, &QAction::triggered, this, guarded([this] { Exit1Click(); }));
    connect(About1, &QAction::triggered, this, guarded([this] { About1Click(); }));
    connect(Panel1, &Panel::resized, this, guarded([this] { Panel1Resize(); }));
    connect(SigPlus1, &TSigPlus::OnPenDown, this, guarded([this] { SigPlus1PenDown(); }));

    resize(632, 424 + MainMenu1->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    setWindowState(Qt::WindowMaximized);
}

Tform_adobe::~Tform_adobe() = default;

// The application window is a hidden tool window; the signing window is a top-level window of its own
// with its own taskbar entry, and only the system menu and minimise button in its border.
void Tform_adobe::CreateParams() {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
}

void Tform_adobe::SetStatusText(const std::string& text) {
    lab_status->setText(fromAnsi(text));
    lab_status->repaint();
    if (!globals.Unattended) setScreenCursor(text.empty() ? Cursor::Default : Cursor::Hourglass);
}

void Tform_adobe::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Where no window manager maximises the window, it takes the screen's work area itself; a new
    // geometry makes Qt drop the maximised state, so the window is marked maximised again at once.
    const QWindow* window = windowHandle();
    if (isMaximized() && screen() && !event->spontaneous() && window &&
        window->frameGeometry() != screen()->availableGeometry()) {
        setGeometry(screen()->availableGeometry());
        setWindowState(windowState() | Qt::WindowMaximized);
    }
    runHandler([this] { FormShow(); });
}

void Tform_adobe::closeEvent(QCloseEvent* event) {
    // The window manager's close goes through the same query and close as the program's own.
    event->ignore();
    runHandler([this] { Close(); });
}

void Tform_adobe::Close() {
    bool canClose = true;
    FormCloseQuery(canClose);
    if (!canClose) return;
    FormClose();
    hide();
}

void Tform_adobe::FormShow() {
    if (globals.TextMode) {
        re_text->setVisible(true);
    } else {
        re_text->setVisible(false);
        Panel1->setFocus();
    }
}

void Tform_adobe::Panel1Resize() {
    if (!AcroAVDoc) return;
    std::unique_ptr<CAcroRect> frame = AcroAVDoc->GetFrame();
    if (!frame) return;
    frame->Left = static_cast<short>(Panel1->x());
    frame->Top = static_cast<short>(Panel1->y());
    frame->right = static_cast<short>(frame->Left + Panel1->width());
    frame->bottom = static_cast<short>(frame->Top + Panel1->height());
    AcroAVDoc->SetFrame(*frame);
}

void Tform_adobe::FormCloseQuery(bool& CanClose) {
    if (!globals.ApprovalShowing && globals.SigningActive && !globals.CloseWithoutAsking) {
        BringWindowToFront(this);
        if (MessageBox("Discard document and close program?", "Confirm", MB_YESNO | MB_ICONQUESTION) == IDNO) {
            CanClose = false;
            return;
        }
        if (globals.ImageFormatCode != 0) SendCancelNotice();
    }
    if (globals.ApprovalShowing && globals.SigningActive && globals.ImageFormatCode != 0) SendCancelNotice();
}

void Tform_adobe::FormClose() {
    form_waiting->hide();
    SetStatusText("Resetting tablet...");
    setScreenCursor(Cursor::Hourglass);
    ShowTabletWelcome(false);
    if (form_config->ClientSocket.Active()) form_config->ClientSocket.Close();
    if (form_config->FileSocket.Active()) form_config->FileSocket.Close();
    SetStatusText("");
    if (AcroApp) AcroApp->CloseAllDocs();
    setScreenCursor(Cursor::Default);
    globals.SigningActive = false;
    if (win::fileExists(globals.UnsignedPdfPath)) win::deleteFile(globals.UnsignedPdfPath);
    // With OpenAfterSave the signed PDF stays for the viewer the shell opened on it.
    if (!globals.OpenAfterSave && win::fileExists(globals.SignedPdfPath)) win::deleteFile(globals.SignedPdfPath);
    if (win::fileExists(globals.SourceTextPath)) win::deleteFile(globals.SourceTextPath);
}

void Tform_adobe::Exit1Click() {
    Close();
}

void Tform_adobe::but_cancelClick() {
    if (form_waiting->isVisible())
        MessageBeep(0);
    else
        Close();
}

void Tform_adobe::About1Click() {
    if (form_waiting->isVisible())
        MessageBeep(0);
    else
        form_about->show();
}

void Tform_adobe::but_saveClick() {
    if (form_waiting->isVisible())
        MessageBeep(0);
    else
        SaveSignedDocument();
}

void Tform_adobe::Print1Click() {
    printClick();
}

void Tform_adobe::but_printClick() {
    printClick();
}

void Tform_adobe::printClick() {
    if (form_waiting->isVisible()) {
        MessageBeep(0);
        return;
    }
    if (!globals.TextMode && !globals.DisplayPdf) {
        Print1->setEnabled(false);
        but_print->setEnabled(false);
        MessageBeep(0);
        return;
    }
    if (!globals.TextMode && !globals.DocumentSigned &&
        MessageBox("Print this UNSIGNED document?", "Confirm", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDNO)
        return;
    PrintDocument(true);
}
