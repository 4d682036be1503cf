#include "VirtualPad.h"

#include "Lcd.h"
#include "ViewKeeper.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTabletEvent>

#include <utility>

namespace sigplus {

namespace {
const QColor glass(196, 208, 176);
const QColor ink(24, 28, 40);
// Faint enough not to pass for a lit pixel of the LCD.
const QColor hotSpotOutline(24, 28, 40, 64);

QRect onWindow(const QRect& lcdArea)
{
    return QRect(lcdArea.x() * VirtualPad::Scale, lcdArea.y() * VirtualPad::Scale, lcdArea.width() * VirtualPad::Scale,
                 lcdArea.height() * VirtualPad::Scale);
}
} // namespace

VirtualPad::VirtualPad(const Lcd& lcd, std::unique_ptr<ViewKeeper> keeper, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      m_lcd(lcd), m_keeper(keeper ? std::move(keeper) : ViewKeeper::forThisDesktop())
{
    m_watch.setInterval(WatchMilliseconds);
    connect(&m_watch, &QTimer::timeout, this, &VirtualPad::watch);
    // The moves of a quick stroke arrive in bursts; merged into their last one, the stroke would be
    // drawn as one straight line.
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
    QCoreApplication::setAttribute(Qt::AA_CompressTabletEvents, false);
    setFixedSize(Lcd::Width * Scale, Lcd::Height * Scale);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The pad stands in the lower right corner, clear of the signing window's instructions and buttons.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.right() - width() - 24, area.bottom() - height() - 48);
    }
}

void VirtualPad::showLcdArea(const QRect& lcdArea) { repaint(onWindow(lcdArea)); }

VirtualPad::~VirtualPad() = default;

void VirtualPad::bringBack()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    if (awaitsTouch()) {
        m_keeper->keepInView(*this, m_companion);
        m_watch.start();
    }
}

// The window manager tells the toolkit nothing of a desktop change, a shade or a stacking layer, so
// the pad looks again and again while the signer is to touch it.
void VirtualPad::watch()
{
    if (!awaitsTouch()) {
        m_watch.stop();
        m_keeper->letGo(*this);
    } else if (putAway()) {
        bringBack();
    } else {
        m_keeper->keepInView(*this, m_companion);
    }
}

void VirtualPad::closeEvent(QCloseEvent* event)
{
    if (awaitsTouch())
        event->ignore();
    else
        QWidget::closeEvent(event);
}

// A window manager that activates an inactive window by the click on it holds the pointer while it
// does so, and the X server keeps only the last of the pen's moves meanwhile: the first stroke would
// lose its start. A pad that is already active when the pen comes down is given the click at once.
void VirtualPad::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    if (awaitsTouch() && !isActiveWindow())
        activateWindow();
}

void VirtualPad::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Restored once the window system has finished minimising, or it would minimise it again.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && awaitsTouch())
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (awaitsTouch())
                    bringBack();
            },
            Qt::QueuedConnection);
}

void VirtualPad::setHotSpots(std::vector<QRect> areas)
{
    if (areas == m_hotSpots)
        return;
    for (const QRect& area : m_hotSpots)
        update(onWindow(area));
    m_hotSpots = std::move(areas);
    for (const QRect& area : m_hotSpots)
        update(onWindow(area));
    if (!awaitsTouch() && m_watch.isActive())
        watch();
}

void VirtualPad::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QImage picture = m_lcd.image();
    picture.setColorTable({glass.rgb(), ink.rgb()});
    painter.drawImage(rect(), picture);
    painter.setPen(hotSpotOutline);
    for (const QRect& area : m_hotSpots)
        painter.drawRect(QRectF(onWindow(area)).adjusted(0.5, 0.5, -0.5, -0.5));
}

void VirtualPad::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_penDown = true;
    emit penPressed(lcdPoint(event->position()));
}

void VirtualPad::mouseMoveEvent(QMouseEvent* event)
{
    if (m_penDown && (event->buttons() & Qt::LeftButton))
        emit penMoved(lcdPoint(event->position()));
}

void VirtualPad::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_penDown)
        return;
    m_penDown = false;
    emit penReleased();
}

// A pen tablet's own events carry every sample; taken here, no mouse events are made of them. The
// barrel buttons are left to become mouse clicks, so the pen can open the menu as the mouse does.
void VirtualPad::tabletEvent(QTabletEvent* event)
{
    switch (event->type()) {
    case QEvent::TabletPress:
        if (event->button() != Qt::LeftButton) {
            event->ignore();
            return;
        }
        m_penDown = true;
        emit penPressed(lcdPoint(event->position()));
        break;
    case QEvent::TabletMove:
        if (m_penDown && (event->buttons() & Qt::LeftButton))
            emit penMoved(lcdPoint(event->position()));
        break;
    case QEvent::TabletRelease:
        if (event->button() != Qt::LeftButton) {
            event->ignore();
            return;
        }
        if (m_penDown) {
            m_penDown = false;
            emit penReleased();
        }
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace sigplus
