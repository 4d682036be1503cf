#include "MessageBox.h"

#include "AnsiText.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ui {

namespace {
BoxRecorder* activeRecorder = nullptr;
// The title bar's icon, its buttons and the frame's margins, in pixels.
constexpr int captionRoom = 160;

bool logMode()
{
    const char* mode = std::getenv("STYLARA_BOXES");
    return mode && std::strcmp(mode, "log") == 0;
}

QMessageBox::Icon qtIcon(const Box& box)
{
    switch (box.flags & 0xF0) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

std::vector<int> buttonsOf(unsigned flags)
{
    switch (flags & 0xF) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    default: return {IDOK};
    }
}

// A box is at least as wide as its caption in a bold title font, with room for the title bar's icon
// and buttons, so that the window manager need not shorten the caption.
void widenForCaption(QMessageBox& dialog, const QString& caption)
{
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (!grid)
        return;
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(caption) + captionRoom;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

int showQt(const Box& box)
{
    const QString caption = fromAnsi(box.caption);
    QMessageBox dialog(qtIcon(box), caption, fromAnsi(box.text));
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    widenForCaption(dialog, caption);
    const std::vector<int> ids = buttonsOf(box.flags);
    std::vector<QPushButton*> buttons;
    for (int id : ids) {
        QMessageBox::StandardButton standard = id == IDOK    ? QMessageBox::Ok
                                               : id == IDYES ? QMessageBox::Yes
                                               : id == IDNO  ? QMessageBox::No
                                                             : QMessageBox::Cancel;
        buttons.push_back(dialog.addButton(standard));
    }
    const size_t defaultIndex = std::min<size_t>((box.flags >> 8) & 0xF, ids.size() - 1);
    dialog.setDefaultButton(buttons[defaultIndex]);
    dialog.exec();
    for (size_t i = 0; i < buttons.size(); ++i)
        if (dialog.clickedButton() == buttons[i])
            return ids[i];
    // Closed without a button: the platform answers Cancel where there is one, else the default.
    return (box.flags & 0xF) == MB_YESNO || (box.flags & 0xF) == MB_OK ? ids[defaultIndex] : IDCANCEL;
}
} // namespace

std::string Box::icon() const
{
    switch (flags & 0xF0) {
    case MB_ICONERROR: return "error";
    case MB_ICONQUESTION: return "question";
    case MB_ICONEXCLAMATION: return "warning";
    case MB_ICONINFORMATION: return "information";
    default: return "";
    }
}

int Box::defaultAnswer() const
{
    const std::vector<int> ids = buttonsOf(flags);
    return ids[std::min<size_t>((flags >> 8) & 0xF, ids.size() - 1)];
}

bool boxesGoToStandardError() { return !activeRecorder && (logMode() || !qApp); }

int MessageBox(const std::string& text, const std::string& caption, unsigned flags)
{
    Box box{text, caption, flags, 0};
    if (activeRecorder)
        return activeRecorder->answer(box);
    if (boxesGoToStandardError()) {
        std::string oneLine = text;
        for (char& c : oneLine)
            if (c == '\n' || c == '\r')
                c = ' ';
        std::fprintf(stderr, "%s | %s | %s\n", caption.c_str(), box.icon().c_str(), oneLine.c_str());
        std::fflush(stderr);
        return box.defaultAnswer();
    }
    return showQt(box);
}

BoxRecorder::BoxRecorder(Responder responder) : m_responder(std::move(responder)), m_previous(activeRecorder)
{
    activeRecorder = this;
}

BoxRecorder::~BoxRecorder() { activeRecorder = m_previous; }

void BoxRecorder::queueAnswers(std::vector<int> answers)
{
    m_queued.insert(m_queued.end(), answers.begin(), answers.end());
}

std::vector<std::string> BoxRecorder::texts() const
{
    std::vector<std::string> result;
    for (const Box& box : m_boxes)
        result.push_back(box.text);
    return result;
}

int BoxRecorder::answer(Box box)
{
    if (!m_queued.empty()) {
        box.answer = m_queued.front();
        m_queued.erase(m_queued.begin());
    } else {
        box.answer = m_responder ? m_responder(box) : box.defaultAnswer();
    }
    m_boxes.push_back(box);
    return box.answer;
}

} // namespace ui
