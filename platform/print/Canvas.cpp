#include "Canvas.h"

#include "Device.h"
#include "Printer.h"
#include "ui/AnsiText.h"

#include <QFontMetrics>

namespace print {

void Canvas::setFont(const QFont& font)
{
    m_font = font;
    if (font.pixelSize() > 0)
        m_font.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
}

void Canvas::textOut(int x, int y, const std::string& text)
{
    m_printer.jobDevice().drawText(QPoint(x, y), m_font, ui::fromAnsi(text));
}

int Canvas::textHeight(const std::string& /*text*/) const
{
    // The extent of one line is the cell height of the font, whatever its characters.
    return QFontMetrics(m_font, &device().metrics()).height();
}

int Canvas::textWidth(const std::string& text) const
{
    return QFontMetrics(m_font, &device().metrics()).horizontalAdvance(ui::fromAnsi(text));
}

void Canvas::stretchDraw(const QRect& target, const QImage& image) { m_printer.jobDevice().drawImage(target, image); }

} // namespace print
