#pragma once

#include "Device.h"

#include <QImage>

#include <string>
#include <vector>

namespace print {

// A test's printer: while it lives every job comes here instead of the machine's printers, and each
// sheet keeps what was drawn on it. Text measures are those of a 600 dpi printer.
class RecordingDevice : public Device {
public:
    struct Line {
        int x = 0;
        int y = 0;
        std::string text;
    };
    struct Picture {
        QRect target;
        QImage image; // scaled down to at most 200 pixels wide
    };
    struct Sheet {
        std::vector<Line> lines;
        std::vector<Picture> pictures;
    };
    struct RecordedJob {
        Job job;
        std::vector<Sheet> sheets;
        bool ended = false;
    };

    RecordingDevice();
    ~RecordingDevice() override;
    RecordingDevice(const RecordingDevice&) = delete;
    RecordingDevice& operator=(const RecordingDevice&) = delete;

    const std::vector<RecordedJob>& jobs() const { return m_jobs; }
    // The first line of each sheet of every job, in order ("" for a sheet without text).
    std::vector<std::string> sheetHeads() const;

    QPaintDevice& metrics() override { return m_metrics; }
    QRect pageRect() override;
    void beginJob(const Job& job) override;
    void newSheet() override;
    void endJob() override;
    void drawText(QPoint topLeft, const QFont& font, const QString& text) override;
    void drawImage(const QRect& target, const QImage& image) override;

private:
    QImage m_metrics;
    std::vector<RecordedJob> m_jobs;
    Device* m_previous;
};

} // namespace print
