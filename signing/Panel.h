#pragma once

#include <QColor>
#include <QFrame>
#include <QString>

// The class library's panel: a coloured area with an optional caption drawn in its middle and an
// optional bevel; it tells when it has been resized.
class Panel : public QFrame {
    Q_OBJECT
public:
    explicit Panel(QWidget* parent = nullptr, const QColor& color = QColor(0xc0, 0xc0, 0xc0));

    void setCaption(const QString& caption);
    const QString& caption() const { return m_caption; }
    void setColor(const QColor& color);
    void setLowered(bool lowered);

signals:
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QString m_caption;
};
