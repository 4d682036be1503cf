#include "PenStream.h"

#include "ui/Application.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QSocketNotifier>

#include <cmath>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

namespace sigplus {

PenStream::PenStream(const QString& path, QObject* parent) : QObject(parent) {
    const QByteArray native = path.toLocal8Bit();
    struct stat info {};
    const bool exists = ::stat(native.constData(), &info) == 0;
    if (exists && S_ISFIFO(info.st_mode)) {
        // Opened for writing as well, so the FIFO never reads as ended while no script has it open.
        m_fifo = ::open(native.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (m_fifo >= 0) {
            m_notifier = new QSocketNotifier(m_fifo, QSocketNotifier::Read, this);
            connect(m_notifier, &QSocketNotifier::activated, this, ui::guarded([this] { readFifo(); }));
        }
    } else if (!exists || S_ISSOCK(info.st_mode)) {
        QLocalServer::removeServer(path); // a socket left by an earlier run
        m_server = new QLocalServer(this);
        if (!m_server->listen(path)) {
            delete m_server;
            m_server = nullptr;
        } else {
            connect(m_server, &QLocalServer::newConnection, this, ui::guarded([this] {
                        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
                            auto pending = std::make_shared<QByteArray>();
                            connect(socket, &QLocalSocket::readyRead, this,
                                    ui::guarded([this, socket, pending] { take(socket->readAll(), *pending); }));
                            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
                        }
                    }));
        }
    }
    if (!isOpen()) std::fprintf(stderr, "STYLARA_PEN: cannot read pen input from %s\n", native.constData());
}

PenStream::~PenStream() {
    if (m_fifo >= 0) ::close(m_fifo);
}

void PenStream::readFifo() {
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(m_fifo, buffer, sizeof buffer);
        if (count <= 0) break;
        take(QByteArray(buffer, static_cast<int>(count)), m_fifoPending);
    }
}

void PenStream::take(const QByteArray& bytes, QByteArray& pending) {
    pending += bytes;
    for (qsizetype end; (end = pending.indexOf('\n')) >= 0;) {
        m_lines.push_back(pending.left(end));
        pending.remove(0, end + 1);
    }
    drain();
}

void PenStream::drain() {
    // A pen-down may run a handler with a nested event loop that reads more lines; those wait their
    // turn here, so the pen moves in the order the script wrote.
    if (m_draining) return;
    m_draining = true;
    while (!m_lines.empty()) {
        const QByteArray line = m_lines.front();
        m_lines.pop_front();
        run(line);
    }
    m_draining = false;
}

void PenStream::run(const QByteArray& line) {
    const QList<QByteArray> words = line.simplified().split(' ');
    if (words.size() == 1 && words[0] == "up") {
        emit penUp();
        return;
    }
    if (words.size() != 3) return;
    bool xOk = false, yOk = false;
    const QPointF point(words[1].toDouble(&xOk), words[2].toDouble(&yOk));
    // A point far off the pad (or not a number at all) is no pen position; drawing towards it would
    // take billions of steps.
    constexpr double reach = 10000;
    if (!xOk || !yOk || !(std::abs(point.x()) <= reach) || !(std::abs(point.y()) <= reach)) return;
    if (words[0] == "down")
        emit penDown(point);
    else if (words[0] == "move")
        emit penMove(point);
}

} // namespace sigplus
