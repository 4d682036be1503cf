#pragma once

#include <QPointF>
#include <QWidget>

namespace sigplus {

class Lcd;

// A small always-on-top window that shows the LCD enlarged and turns the left mouse button into the
// pen, so that a person without a pad can sign. A right click asks for a context menu
// (customContextMenuRequested) and is never pen input.
class VirtualPad : public QWidget {
    Q_OBJECT
public:
    static constexpr int Scale = 3;

    explicit VirtualPad(const Lcd& lcd, QWidget* parent = nullptr);

    static QPointF lcdPoint(const QPointF& windowPoint) { return windowPoint / Scale; }

signals:
    void penPressed(QPointF lcdPoint);
    void penMoved(QPointF lcdPoint);
    void penReleased();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const Lcd& m_lcd;
    bool m_penDown = false;
};

} // namespace sigplus
