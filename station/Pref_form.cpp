#include "Pref_form.h"

#include "Globals.h"
#include "Init.h"
#include "Printers_form.h"
#include "ui/Application.h"
#include "ui/TypingLimit.h"
#include "win/Files.h"
#include "win/LibraryError.h"
#include "win/Profile.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

using namespace ui;

Tform_pref* form_pref = nullptr;

namespace {

// The edits' conversion: an optional sign and decimal digits, nothing else.
int StrToInt(const std::string& text)
{
    const size_t sign = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    const bool decimal = text.size() > sign && std::all_of(text.begin() + static_cast<long>(sign), text.end(),
                                                           [](char c) { return c >= '0' && c <= '9'; });
    int value = 0;
    if (!decimal || !win::parseInteger(text, value))
        throw win::LibraryError(win::formatMessage("'%s' is not a valid integer value", text));
    return value;
}

std::string textOf(const QLineEdit* edit) { return edit->text().toStdString(); }

void setNumber(QLineEdit* edit, int value) { edit->setText(QString::number(value)); }

QLineEdit* shortEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setValidator(new TypingLimit(3, edit));
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance("-0000") + 12);
    return edit;
}

// The class library's spin edit: digits and signs may be typed; a text that is not an integer reads
// as the minimum, and a value outside the range is brought into it when the text is taken.
class SpinEdit : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

    QValidator::State validate(QString& input, int&) const override
    {
        for (const QChar c : input)
            if (!c.isDigit() && c != '+' && c != '-')
                return QValidator::Invalid;
        bool ok = false;
        const int value = input.toInt(&ok);
        return ok && value >= minimum() && value <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
    }
    int valueFromText(const QString& text) const override
    {
        bool ok = false;
        const int value = text.toInt(&ok);
        return ok ? std::clamp(value, minimum(), maximum()) : minimum();
    }
    void fixup(QString& input) const override { input = textFromValue(valueFromText(input)); }
};

QLabel* heading(const char* text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QFrame* panel(QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    return frame;
}

} // namespace

Tform_pref::Tform_pref(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Preferences");
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    layout->addWidget(heading("Adjust Tablet Hot Spots For This PC", this));
    QFrame* hotSpots = panel(this);
    auto* hotSpotsGrid = new QGridLayout(hotSpots);
    hotSpotsGrid->addWidget(new QLabel("Range:  -10 to +10  (0=default)", hotSpots), 0, 0, 1, 5);
    ed_hor = shortEdit(hotSpots);
    ed_ver = shortEdit(hotSpots);
    hotSpotsGrid->addWidget(new QLabel("Horizontal:", hotSpots), 1, 0);
    hotSpotsGrid->addWidget(ed_hor, 1, 1);
    hotSpotsGrid->addWidget(new QLabel("Vertical:", hotSpots), 1, 2);
    hotSpotsGrid->addWidget(ed_ver, 1, 3);
    hotSpotsGrid->setColumnStretch(4, 1);
    layout->addWidget(hotSpots);

    layout->addWidget(heading("PDF Document Display", this));
    QFrame* pdf = panel(this);
    auto* pdfBox = new QVBoxLayout(pdf);
    cb_pdf = new QCheckBox("Display PDF documents internally", pdf);
    pdfBox->addWidget(cb_pdf);
    auto* note = new QLabel("NOTE: This option requires the full version of Adobe Acrobat or Acrobat Approval (not "
                            "just Acrobat Reader) installed on this PC.",
                            pdf);
    note->setWordWrap(true);
    note->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    note->setMargin(4);
    pdfBox->addWidget(note);
    layout->addWidget(pdf);

    layout->addWidget(heading("Text Source File", this));
    QFrame* text = panel(this);
    auto* textGrid = new QGridLayout(text);
    sp_size = new SpinEdit(text);
    sp_size->setRange(8, 20);
    textGrid->addWidget(new QLabel("Font size:", text), 0, 0);
    textGrid->addWidget(sp_size, 0, 1);
    // A button's caption takes "&&" for one shown ampersand.
    cb_bold = new QCheckBox("Use bold font for display && print", text);
    textGrid->addWidget(cb_bold, 0, 2, 1, 4);
    rb_defprint = new QRadioButton("Use default printer", text);
    rb_askprint = new QRadioButton("Prompt user for printer", text);
    textGrid->addWidget(new QLabel("When printing:", text), 1, 0);
    textGrid->addWidget(rb_defprint, 1, 1, 1, 2);
    textGrid->addWidget(rb_askprint, 1, 3, 1, 3);
    ed_top = shortEdit(text);
    ed_left = shortEdit(text);
    ed_lines = shortEdit(text);
    auto* margins = new QHBoxLayout;
    margins->addWidget(new QLabel("Top Margin:", text));
    margins->addWidget(ed_top);
    margins->addSpacing(12);
    margins->addWidget(new QLabel("Left Margin:", text));
    margins->addWidget(ed_left);
    margins->addSpacing(12);
    margins->addWidget(new QLabel("Printed lines per page:", text));
    margins->addWidget(ed_lines);
    margins->addStretch(1);
    textGrid->addLayout(margins, 2, 0, 1, 6);
    layout->addWidget(text);

    layout->addWidget(heading("Fixed-width Font", this));
    QFrame* mono = panel(this);
    auto* monoBox = new QVBoxLayout(mono);
    ck_monomsgs = new QCheckBox("Use monospaced font for tablet messages and custom \"Welcome\" screen", mono);
    ck_monoprompt = new QCheckBox("Use monospaced font for tablet prompt text for signer approval", mono);
    monoBox->addWidget(ck_monomsgs);
    monoBox->addWidget(ck_monoprompt);
    layout->addWidget(mono);

    auto* buttons = new QHBoxLayout;
    but_ssprint = new QPushButton("Define Printers", this);
    but_ssprint->hide();
    but_ok = new QPushButton("OK", this);
    but_ok->setDefault(true);
    but_cancel = new QPushButton("Cancel", this);
    buttons->addWidget(but_ssprint);
    buttons->addStretch(1);
    buttons->addWidget(but_ok);
    buttons->addWidget(but_cancel);
    layout->addLayout(buttons);

    connect(but_ok, &QPushButton::clicked, this, guarded([this] { but_okClick(); }));
    connect(but_cancel, &QPushButton::clicked, this, guarded([this] { but_cancelClick(); }));
    connect(but_ssprint, &QPushButton::clicked, this, guarded([this] { but_ssprintClick(); }));
}

void Tform_pref::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // A window restored from the task bar is no new show.
    if (!event->spontaneous())
        runHandler([this] { FormShow(); });
}

// Escape and the window's close button cancel, as the Cancel button does.
void Tform_pref::reject()
{
    runHandler([this] { but_cancelClick(); });
}

void Tform_pref::FormShow()
{
    setNumber(ed_hor, globals.HotSpotOffsetX);
    setNumber(ed_ver, globals.HotSpotOffsetY);
    cb_bold->setChecked(globals.TextBold);
    cb_pdf->setChecked(globals.DisplayPdf);
    sp_size->setValue(globals.TextSize);
    (globals.AskForPrinter ? rb_askprint : rb_defprint)->setChecked(true);
    setNumber(ed_top, globals.TopMargin);
    setNumber(ed_left, globals.LeftMargin);
    setNumber(ed_lines, globals.LinesPerPage);
    ck_monomsgs->setChecked(globals.MonoMessages);
    ck_monoprompt->setChecked(globals.MonoPrompt);
    but_ssprint->setVisible(win::fileExists(globals.ProgramDir + "\\qelm.txt"));
}

void Tform_pref::but_okClick()
{
    // Each step stores its value before the next field is read: a field that is no integer ends the
    // handling there, with the earlier values already in the record and nothing saved.
    int value = StrToInt(textOf(ed_hor));
    if (value < -10 || value > 10)
        value = 0;
    globals.HotSpotOffsetX = value;
    setNumber(ed_hor, value);

    value = StrToInt(textOf(ed_ver));
    if (value < -10 || value > 10)
        value = 0;
    globals.HotSpotOffsetY = value;
    setNumber(ed_ver, value);

    globals.TextBold = cb_bold->isChecked();
    globals.DisplayPdf = cb_pdf->isChecked();

    // Enter in the dialog leaves the focus in the field, so the typed text is taken here as well.
    sp_size->interpretText();
    globals.TextSize = sp_size->value();

    globals.AskForPrinter = !rb_defprint->isChecked();

    value = StrToInt(textOf(ed_top));
    if (value < 0)
        value = 0;
    globals.TopMargin = value;
    setNumber(ed_top, value);

    value = StrToInt(textOf(ed_left));
    if (value < 0)
        value = 0;
    globals.LeftMargin = value;
    setNumber(ed_left, value);

    value = StrToInt(textOf(ed_lines));
    if (value < 0 || value > 200)
        value = 60;
    globals.LinesPerPage = value;
    setNumber(ed_lines, value);

    globals.MonoMessages = ck_monomsgs->isChecked();
    globals.MonoPrompt = ck_monoprompt->isChecked();

    SaveSettings();
    accept();
}

void Tform_pref::but_cancelClick() { QDialog::reject(); }

void Tform_pref::but_ssprintClick() { form_printers->exec(); }
