#pragma once

#include <QFont>
#include <QImage>
#include <QRect>

#include <string>

namespace print {

class Printer;

// The printer's canvas: a font, text out and text measures, in device units.
class Canvas {
public:
    explicit Canvas(Printer& printer) : m_printer(printer) {}

    // A screen font given to the printer keeps its point size, as the class library assigns fonts
    // across resolutions; a size in pixels counts at the screen's 96 dpi.
    void setFont(const QFont& font);
    const QFont& font() const { return m_font; }

    // Text whose cell's top-left corner is at (x, y); raises when no job runs.
    void textOut(int x, int y, const std::string& text);
    int textHeight(const std::string& text) const;
    int textWidth(const std::string& text) const;
    void stretchDraw(const QRect& target, const QImage& image);

private:
    Printer& m_printer;
    QFont m_font;
};

} // namespace print
