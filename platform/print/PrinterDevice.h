#pragma once

#include "Device.h"

#include <QPainter>
#include <QPrinter>

#include <memory>

namespace print {

// The machine's printers through QPrinter (CUPS). With STYLARA_PRINT_DIR set, every job is written to
// that folder as a PDF file "job-NNNN.pdf" instead, the first number not yet taken, so runs without a
// printer can be looked at page by page.
class PrinterDevice : public Device {
public:
    PrinterDevice();
    ~PrinterDevice() override;

    QPaintDevice& metrics() override;
    QRect pageRect() override;
    void beginJob(const Job& job) override;
    void newSheet() override;
    void endJob() override;
    void drawText(QPoint topLeft, const QFont& font, const QString& text) override;
    void drawImage(const QRect& target, const QImage& image) override;

    // The file the last job went to in the print folder ("" when it went to a printer).
    const std::string& lastFile() const { return m_lastFile; }

private:
    QPrinter m_metrics;
    std::unique_ptr<QPrinter> m_printer;
    QPainter m_painter;
    std::string m_lastFile;
};

} // namespace print
