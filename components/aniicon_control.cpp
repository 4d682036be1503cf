#include "aniicon.h"

#include "ui/Application.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

namespace {

constexpr int TickMilliseconds = 20;
constexpr int IconSize = 32;
constexpr TColor FrameGrey = 0x808080;

// A one-pixel 3-D frame on the edges: the top and left edges in one colour, the right and bottom
// edges (drawn last, so they own both far corners) in the other.
void frame3D(QPainter& canvas, int width, int height, TColor topLeft, TColor bottomRight) {
    canvas.fillRect(0, 0, 1, height, toQColor(topLeft));
    canvas.fillRect(0, 0, width - 1, 1, toQColor(topLeft));
    canvas.fillRect(width - 1, 0, 1, height, toQColor(bottomRight));
    canvas.fillRect(0, height - 1, width, 1, toQColor(bottomRight));
}

} // namespace

TAniIcon::TAniIcon(QWidget* owner) : QWidget(owner), FAniFile(std::make_unique<TAniIconFile>()) {
    resize(IconSize, IconSize);
    FAniFile->OnAniChange = [this] { AniChanged(); };
}

TAniIcon::~TAniIcon() {
    if (FTimerRunning) m_timer.stop();
}

std::uint32_t TAniIcon::GetVersionNr() const {
    return (1u << 24) | (2u << 16) | (0u << 8) | 0u;
}

std::string TAniIcon::GetVersion() const {
    return formatVersion(GetVersionNr());
}

void TAniIcon::SeTAniIconFile(const TGraphic* value) {
    FAniFile->Assign(value);
    update();
}

void TAniIcon::SetAnimated(bool value) {
    FAnimated = value;
    if (value == FTimerRunning) return;
    if (FTimerRunning) {
        m_timer.stop();
        FTimerRunning = false;
    } else {
        m_timer.start(TickMilliseconds, Qt::PreciseTimer, this);
        FTimerRunning = true;
    }
}

void TAniIcon::SetFrame(int value) {
    FAniFile->SetFrame(value);
    FFrame = FAniFile->CurrentFrame;
    repaint();
}

void TAniIcon::SetCenter(bool value) {
    FCenter = value;
    repaint();
}

void TAniIcon::AniChanged() {
    repaint();
}

void TAniIcon::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    ui::runHandler([this] { FAniFile->Step(); });
}

void TAniIcon::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    CMMouseEnter();
}

void TAniIcon::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    CMMouseLeave();
}

void TAniIcon::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    MouseDown(event->button());
}

void TAniIcon::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    MouseUp();
}

void TAniIcon::CMMouseEnter() {
    if (FAniFile && AnimateOnEnter && isEnabled()) SetAnimated(true);
    FMouseInside = true;
    repaint();
}

void TAniIcon::CMMouseLeave() {
    if (FAniFile && AnimateOnEnter && isEnabled()) SetAnimated(false);
    FMouseInside = false;
    repaint();
}

void TAniIcon::MouseDown(Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    FPressed = true;
    if (ButtonStyle) repaint();
}

void TAniIcon::MouseUp() {
    FPressed = false;
    if (ButtonStyle) repaint();
}

void TAniIcon::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    // Transparent, the parent's background stays; otherwise the control is erased to its colour.
    if (!Transparent) canvas.fillRect(rect(), toQColor(Color));
    Paint(canvas);
}

void TAniIcon::Paint(QPainter& canvas) {
    // A centred icon in a control smaller than the icon stands out equally on both sides.
    const int x = FCenter ? (width() - IconSize) / 2 : 0;
    const int y = FCenter ? (height() - IconSize) / 2 : 0;
    FAniFile->Draw(canvas, TRect{x, y, x + IconSize, y + IconSize});

    if (ButtonStyle) {
        if (FPressed)
            frame3D(canvas, width(), height(), FrameGrey, clWhite);
        else if (FMouseInside)
            frame3D(canvas, width(), height(), clWhite, FrameGrey);
    }

    if (FDesigning) {
        QPen dotted(Qt::black);
        dotted.setDashPattern({1, 1});
        dotted.setDashOffset(1); // the first dot on the corner
        canvas.setPen(dotted);
        canvas.setBrush(Qt::NoBrush);
        const QPoint corners[] = {{0, 0}, {width() - 1, 0}, {width() - 1, height() - 1}, {0, height() - 1}, {0, 0}};
        canvas.drawPolyline(corners, 5);
    }
}
