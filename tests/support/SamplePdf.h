#pragma once

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>

#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A letter-size PDF with one page per entry: the entry's text lines at the top, and a black bar whose
// height in half inches is the page's number, so a rendered page tells which page it is.
inline void writeSamplePdf(const std::string& nativePath, const std::vector<std::vector<std::string>>& pages) {
    std::filesystem::create_directories(std::filesystem::path(nativePath).parent_path());
    QPdfWriter writer(QString::fromStdString(nativePath));
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setResolution(72);
    QPainter painter(&writer);
    QFont font("Liberation Sans");
    font.setPointSize(14);
    painter.setFont(font);
    for (size_t page = 0; page < pages.size(); ++page) {
        if (page > 0) writer.newPage();
        int y = 40;
        for (const std::string& line : pages[page]) {
            painter.drawText(40, y, QString::fromStdString(line));
            y += 22;
        }
        painter.fillRect(40, 300, 300, 36 * static_cast<int>(page + 1), Qt::black);
    }
}

// The height of the black bar of a rendered sample page, as a share of the page's height.
inline double sampleBarShare(const QImage& page) {
    const int x = page.width() / 4;
    int dark = 0;
    for (int y = 0; y < page.height(); ++y)
        if (qGray(page.pixel(x, y)) < 80) ++dark;
    return static_cast<double>(dark) / page.height();
}

} // namespace testing_support
