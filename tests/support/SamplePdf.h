#pragma once

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A letter-size PDF with one page per entry: the entry's text lines at the top, and a black bar whose
// height in half inches is the page's number, so a rendered page tells which page it is.
inline void writeSamplePdf(const std::string& nativePath, const std::vector<std::vector<std::string>>& pages)
{
    std::filesystem::create_directories(std::filesystem::path(nativePath).parent_path());
    QPdfWriter writer(QString::fromStdString(nativePath));
    writer.setPageSize(QPageSize(QPageSize::Letter));
    writer.setResolution(72);
    QPainter painter(&writer);
    QFont font("Liberation Sans");
    font.setPointSize(14);
    painter.setFont(font);
    for (size_t page = 0; page < pages.size(); ++page) {
        if (page > 0)
            writer.newPage();
        int y = 40;
        for (const std::string& line : pages[page]) {
            painter.drawText(40, y, QString::fromStdString(line));
            y += 22;
        }
        painter.fillRect(40, 300, 300, 36 * static_cast<int>(page + 1), Qt::black);
    }
}

// A PDF 1.4 file of these objects, numbered from 1 (1 the catalog), with its table and trailer made to fit;
// the trailer holds the entries given besides /Size and /Root.
inline std::string pdfOfObjects(const std::vector<std::string>& objects, const std::string& trailerEntries = "")
{
    std::string pdf = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (size_t offset : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        pdf += entry;
    }
    pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R" + trailerEntries +
           " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

// A one-page PDF written by hand in the plain style of the host's documents: PDF 1.4, Helvetica text
// lines from the top of a letter page, and the signature box as a rectangle near the bottom.
inline std::string handWrittenPdf(const std::vector<std::string>& lines)
{
    std::string content = "BT /F1 14 Tf 72 740 Td 18 TL\n";
    for (const std::string& line : lines)
        content += "(" + line + ") Tj T*\n";
    content += "ET\n2 w 72 100 216 54 re S\n";
    const std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /Font << /F1 5 0 R >> >> "
        "/Contents 4 0 R >>",
        "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    return pdfOfObjects(objects);
}

// The height of the black bar of a rendered sample page, as a share of the page's height.
inline double sampleBarShare(const QImage& page)
{
    const int x = page.width() / 4;
    int dark = 0;
    for (int y = 0; y < page.height(); ++y)
        if (qGray(page.pixel(x, y)) < 80)
            ++dark;
    return static_cast<double>(dark) / page.height();
}

} // namespace testing_support
