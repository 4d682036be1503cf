#include "RecordingDevice.h"

#include "ui/AnsiText.h"

namespace print {

RecordingDevice::RecordingDevice() : m_metrics(1, 1, QImage::Format_RGB32), m_previous(swapDevice(this)) {
    const int dotsPerMeter = qRound(600 / 0.0254);
    m_metrics.setDotsPerMeterX(dotsPerMeter);
    m_metrics.setDotsPerMeterY(dotsPerMeter);
}

RecordingDevice::~RecordingDevice() {
    swapDevice(m_previous);
}

std::vector<std::string> RecordingDevice::sheetHeads() const {
    std::vector<std::string> heads;
    for (const RecordedJob& job : m_jobs)
        for (const Sheet& sheet : job.sheets)
            heads.push_back(sheet.lines.empty() ? "" : sheet.lines.front().text);
    return heads;
}

// A letter sheet at 600 dpi less a quarter inch all round.
QRect RecordingDevice::pageRect() {
    return QRect(0, 0, 4800, 6300);
}

void RecordingDevice::beginJob(const Job& job) {
    m_jobs.push_back(RecordedJob{job, {Sheet{}}, false});
}

void RecordingDevice::newSheet() {
    m_jobs.back().sheets.emplace_back();
}

void RecordingDevice::endJob() {
    m_jobs.back().ended = true;
}

void RecordingDevice::drawText(QPoint topLeft, const QFont& /*font*/, const QString& text) {
    m_jobs.back().sheets.back().lines.push_back(Line{topLeft.x(), topLeft.y(), ui::toAnsi(text)});
}

void RecordingDevice::drawImage(const QRect& target, const QImage& image) {
    const QImage small = image.width() > 200 ? image.scaledToWidth(200, Qt::SmoothTransformation) : image;
    m_jobs.back().sheets.back().pictures.push_back(Picture{target, small});
}

} // namespace print
