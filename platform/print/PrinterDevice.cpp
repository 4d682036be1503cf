#include "PrinterDevice.h"

#include "win/LibraryError.h"

#include <QDir>
#include <QFontMetrics>

#include <cstdio>
#include <cstdlib>

namespace print {

namespace {
constexpr int resolution = 600;

std::string printFolder() {
    const char* dir = std::getenv("STYLARA_PRINT_DIR");
    return dir && *dir ? dir : "";
}

QString nextJobFile(const std::string& folder) {
    QDir dir(QString::fromStdString(folder));
    dir.mkpath(".");
    for (int number = 1;; ++number) {
        char name[32];
        std::snprintf(name, sizeof name, "job-%04d.pdf", number);
        if (!dir.exists(name)) return dir.filePath(name);
    }
}

void usePdf(QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(resolution);
}
} // namespace

PrinterDevice::PrinterDevice() : m_metrics(QPrinter::HighResolution) {
    usePdf(m_metrics);
}

PrinterDevice::~PrinterDevice() {
    if (m_painter.isActive()) m_painter.end();
}

QPaintDevice& PrinterDevice::metrics() {
    return m_metrics;
}

QRect PrinterDevice::pageRect() {
    QPrinter& printer = m_printer ? *m_printer : m_metrics;
    return printer.pageLayout().paintRectPixels(printer.resolution());
}

void PrinterDevice::beginJob(const Job& job) {
    if (m_painter.isActive()) m_painter.end();
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_lastFile.clear();
    const std::string folder = printFolder();
    if (!folder.empty()) {
        usePdf(*m_printer);
        const QString file = nextJobFile(folder);
        m_printer->setOutputFileName(file);
        m_lastFile = file.toStdString();
        // The file tells which printer the job was meant for.
        m_printer->setCreator(QString::fromLocal8Bit(job.printer.empty() ? "(default printer)" : job.printer.c_str()));
    } else {
        if (!job.printer.empty()) m_printer->setPrinterName(QString::fromLocal8Bit(job.printer.c_str()));
        m_printer->setResolution(resolution);
    }
    m_printer->setDocName(QString::fromLocal8Bit(job.title.c_str()));
    m_printer->setCopyCount(job.copies);
    m_printer->setCollateCopies(job.collate);
    if (!m_painter.begin(m_printer.get())) throw win::LibraryError("Printer selected is not valid");
}

void PrinterDevice::newSheet() {
    if (m_printer) m_printer->newPage();
}

void PrinterDevice::endJob() {
    if (m_painter.isActive()) m_painter.end();
    m_printer.reset();
}

void PrinterDevice::drawText(QPoint topLeft, const QFont& font, const QString& text) {
    m_painter.setFont(font);
    m_painter.setPen(Qt::black);
    const QFontMetrics measures(font, m_printer.get());
    m_painter.drawText(QPoint(topLeft.x(), topLeft.y() + measures.ascent()), text);
}

void PrinterDevice::drawImage(const QRect& target, const QImage& image) {
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform);
    m_painter.drawImage(target, image);
}

} // namespace print
