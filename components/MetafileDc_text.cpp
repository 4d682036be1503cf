// Text through the device context: fonts, alignment, spacing and turn.

#include "MetafileDc.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace metafile {

void Dc::text(QPointF reference, QString letters, const std::vector<double>& advances, std::uint32_t options,
              const std::optional<QRectF>& box)
{
    if (m_recording)
        return;
    const bool updateCp = s.textAlign & 1;
    if (updateCp)
        reference = s.position;
    const QTransform toPainter = m_painter.transform();
    if (!usable(toPainter))
        return;
    m_painter.save();
    // ETO_OPAQUE fills the box with the background, ETO_CLIPPED keeps the letters inside it.
    if (box && (options & 2))
        m_painter.fillRect(box->normalized(), s.background);
    if (box && (options & 4))
        m_painter.setClipRect(box->normalized(), Qt::IntersectClip);

    const bool symbol = s.font.charset == 2 || s.font.face.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
    if (symbol)
        for (QChar& letter : letters)
            letter = symbolLetter(letter);

    // The letters a Symbol font stands for are drawn from a text font: the desktop's symbol fonts keep
    // their Greek under codes of their own.
    QFont font(symbol                  ? QStringLiteral("Times New Roman")
               : s.font.face.isEmpty() ? QStringLiteral("Arial")
                                       : s.font.face);
    font.setWeight(static_cast<QFont::Weight>(std::clamp(s.font.weight / 10 * 10, 100, 900)));
    font.setItalic(s.font.italic);
    font.setUnderline(s.font.underline);
    font.setStrikeOut(s.font.strikeOut);
    // A negative height is the letters' own, a positive one the whole cell's, leading included.
    double height = s.font.height == 0 ? 12.0 : std::min(std::abs(double(s.font.height)), Huge);
    if (s.font.height > 0) {
        QFont cell = font;
        cell.setPixelSize(256);
        const QFontMetricsF measured(cell);
        if (measured.ascent() + measured.descent() > 0)
            height *= 256 / (measured.ascent() + measured.descent());
    }
    // The font is made at about the size it shows on the painter, then placed in logical units.
    const double onPainter = height * std::sqrt(std::abs(toPainter.determinant()));
    const int pixels = std::clamp(int(std::lround(std::min(onPainter, 4096.0))), 1, 4096);
    const double perLogical = pixels / height; // font units in a logical unit
    font.setPixelSize(pixels);
    const QFontMetricsF metrics(font);

    // Letters stand upright whichever way the mapping turns y, and turn by the font's escapement.
    QTransform frame;
    frame.scale(1 / perLogical, 1 / perLogical);
    frame.rotate(-double(s.font.escapement) / 10.0); // negated as a double: the lowest integer has no negative
    frame.scale(1, toPainter.determinant() < 0 ? -1 : 1);
    frame *= QTransform::fromTranslate(reference.x(), reference.y()) * toPainter;
    if (!usable(frame)) {
        m_painter.restore();
        return;
    }

    std::vector<double> at; // each letter's start, in font units
    double width = 0;
    for (qsizetype i = 0; i < letters.size(); ++i) {
        at.push_back(width);
        width += size_t(i) < advances.size() ? advances[size_t(i)] * perLogical : metrics.horizontalAdvance(letters[i]);
    }
    QPointF origin;
    if ((s.textAlign & 6) == 6)
        origin.rx() = -width / 2;
    else if (s.textAlign & 2)
        origin.rx() = -width;
    if ((s.textAlign & 24) == 24) {
    } else if (s.textAlign & 8) {
        origin.ry() = -metrics.descent();
    } else {
        origin.ry() = metrics.ascent();
    }
    m_painter.setTransform(frame);
    if (s.opaque)
        m_painter.fillRect(QRectF(origin.x(), origin.y() - metrics.ascent(), width, metrics.height()), s.background);
    // Letters that come out huge on the painter in either direction are filled as outlines: the font
    // engine's glyph cache fails on glyphs of that size.
    const double scale =
        std::max(std::abs(frame.m11()) + std::abs(frame.m21()), std::abs(frame.m12()) + std::abs(frame.m22()));
    const bool outline = !(pixels * scale <= 512);
    QPainterPath outlines;
    m_painter.setPen(s.textColour);
    m_painter.setFont(font);
    const bool spaced = !advances.empty();
    for (qsizetype i = 0; i < letters.size(); i += spaced ? 1 : letters.size()) {
        const QString piece = spaced ? QString(letters[i]) : letters;
        const QPointF where = origin + QPointF(at[size_t(i)], 0);
        if (outline)
            outlines.addText(where, font, piece);
        else
            m_painter.drawText(where, piece);
    }
    if (outline)
        m_painter.fillPath(outlines, s.textColour);
    m_painter.restore();
    if (updateCp) {
        const double angle = s.font.escapement / 10.0 * std::numbers::pi / 180;
        const double advance = width / perLogical;
        s.position += QPointF(advance * std::cos(angle), -advance * std::sin(angle));
    }
}

} // namespace metafile
