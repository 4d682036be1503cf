#pragma once

#include "ViewKeeper.h"

#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

namespace sigplus {

class Lcd;

// A small always-on-top window that shows the LCD enlarged and turns the left mouse button, or a pen
// tablet's pen, into the pad's pen, so that a person without a pad can sign. A right click asks for a
// context menu (customContextMenuRequested) and is never pen input. A pad on the desk can be neither
// closed nor put away while a screen waits for a touch: while touch areas are set the window refuses
// to close, comes straight back when it is minimised, and takes the focus when the pointer comes over
// it. While such a screen waits, the pad is also kept in view of the signer in whatever the window
// manager does to it beyond what the toolkit sees (another desktop, shaded, below, off the screen,
// covered by a full-screen window). On an idle screen closing only hides it, and the owner brings it
// back with its next picture.
class VirtualPad : public QWidget {
    Q_OBJECT
public:
    static constexpr int Scale = 3;

    // How often a waiting screen looks whether the pad is still in view.
    static constexpr int WatchMilliseconds = 400;

    explicit VirtualPad(const Lcd& lcd, std::unique_ptr<ViewKeeper> keeper = nullptr, QWidget* parent = nullptr);
    ~VirtualPad() override;

    static QPointF lcdPoint(const QPointF& windowPoint) { return windowPoint / Scale; }

    // Paints the LCD's area at once, before the caller goes on: the station may block the event loop
    // right after writing a text that the signer must see.
    void showLcdArea(const QRect& lcdArea);

    // The touch areas to outline, in LCD pixels: the words drawn on the LCD do not show exactly where
    // a touch counts. Set, they tell that the screen waits for the signer.
    void setHotSpots(std::vector<QRect> areas);
    bool awaitsTouch() const { return !m_hotSpots.empty(); }

    // The window the signer reads the document in, which the pad stays above.
    void setCompanion(QWidget* companion) { m_companion = companion; }

    // Shown, no longer minimised, and raised over the other windows; while a screen waits for a
    // touch, kept in view until it no longer waits.
    void bringBack();
    bool putAway() const { return !isVisible() || isMinimized(); }

signals:
    void penPressed(QPointF lcdPoint);
    void penMoved(QPointF lcdPoint);
    void penReleased();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void tabletEvent(QTabletEvent* event) override;

private:
    void watch();

    const Lcd& m_lcd;
    std::unique_ptr<ViewKeeper> m_keeper;
    QPointer<QWidget> m_companion;
    QTimer m_watch;
    std::vector<QRect> m_hotSpots;
    bool m_penDown = false;
};

} // namespace sigplus
