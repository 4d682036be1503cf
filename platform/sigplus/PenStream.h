#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointF>
#include <QString>

#include <deque>

class QLocalServer;
class QSocketNotifier;

namespace sigplus {

// Pen input for scripted runs: lines "down X Y", "move X Y" and "up" (LCD pixels) read from a FIFO,
// or from the connections to a Unix socket that the stream listens on when the path names no FIFO.
// Other lines are ignored.
class PenStream : public QObject {
    Q_OBJECT
public:
    explicit PenStream(const QString& path, QObject* parent = nullptr);
    ~PenStream() override;

    bool isOpen() const { return m_fifo >= 0 || m_server; }

signals:
    void penDown(QPointF lcdPoint);
    void penMove(QPointF lcdPoint);
    void penUp();

private:
    void readFifo();
    void take(const QByteArray& bytes, QByteArray& pending);
    void run(const QByteArray& line);
    void drain();

    int m_fifo = -1;
    QSocketNotifier* m_notifier = nullptr;
    QLocalServer* m_server = nullptr;
    QByteArray m_fifoPending;
    std::deque<QByteArray> m_lines;
    bool m_draining = false;
};

} // namespace sigplus
