#include "GradientLabel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>

namespace {

// DrawTextEx format flags.
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_BOTTOM = 0x8;
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_NOPREFIX = 0x800;
constexpr unsigned DT_PATH_ELLIPSIS = 0x4000;
constexpr unsigned DT_END_ELLIPSIS = 0x8000;
constexpr unsigned DT_RTLREADING = 0x20000;

// The strips under, through or over the caption are this thick, whatever LineWidth says.
constexpr int StripThickness = 2;

// Nearest integer with ties to the even one, as the platform's Round does.
int roundHalfEven(double value) {
    return static_cast<int>(std::nearbyint(value));
}

QRect toQRect(const TRect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

// DrawTextEx's flags in Qt's terms. Vertical placement applies to single lines only, as on the platform.
int qtTextFlags(unsigned format) {
    int flags = Qt::AlignAbsolute;
    if (format & DT_CENTER)
        flags |= Qt::AlignHCenter;
    else if (format & DT_RIGHT)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    if (format & DT_SINGLELINE) {
        flags |= Qt::TextSingleLine;
        if (format & DT_VCENTER)
            flags |= Qt::AlignVCenter;
        else if (format & DT_BOTTOM)
            flags |= Qt::AlignBottom;
        else
            flags |= Qt::AlignTop;
    } else {
        flags |= Qt::AlignTop;
    }
    if (format & DT_WORDBREAK) flags |= Qt::TextWordWrap;
    if (!(format & DT_NOPREFIX)) flags |= Qt::TextShowMnemonic;
    if (format & DT_NOCLIP) flags |= Qt::TextDontClip;
    return flags;
}

// The ellipsis styles shorten each line that does not fit; wrapped text is left to the wrapping.
QString shortened(const QString& text, unsigned format, const QFontMetrics& metrics, int width) {
    if (!(format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS)) || (format & DT_WORDBREAK)) return text;
    const Qt::TextElideMode mode = (format & DT_END_ELLIPSIS) ? Qt::ElideRight : Qt::ElideMiddle;
    const int mnemonic = (format & DT_NOPREFIX) ? 0 : int(Qt::TextShowMnemonic);
    QStringList lines = (format & DT_SINGLELINE) ? QStringList{QString(text).replace('\n', ' ')} : text.split('\n');
    for (QString& line : lines)
        line = metrics.elidedText(line, mode, width, mnemonic);
    return lines.join('\n');
}

void drawCaption(QPainter& canvas, const QString& caption, const TRect& r, unsigned format, const QColor& colour) {
    canvas.setPen(colour);
    canvas.setLayoutDirection((format & DT_RTLREADING) ? Qt::RightToLeft : Qt::LeftToRight);
    const QString text = shortened(caption, format, canvas.fontMetrics(), r.width());
    canvas.drawText(toQRect(r), qtTextFlags(format), text);
}

} // namespace

void PaintGradientBands(QPainter& canvas, TColor fromColor, TColor toColor, int count, const TRect& rect, bool across) {
    if (count == 0) count = 1;
    const TColor from = ColorToRGB(fromColor);
    const TColor to = ColorToRGB(toColor);
    const int fromRed = from & 0xFF, fromGreen = (from >> 8) & 0xFF, fromBlue = (from >> 16) & 0xFF;
    const double stepRed = double(int(to & 0xFF) - fromRed) / count;
    const double stepGreen = double(int((to >> 8) & 0xFF) - fromGreen) / count;
    const double stepBlue = double(int((to >> 16) & 0xFF) - fromBlue) / count;
    const double bandStep = double(across ? rect.width() : rect.height()) / count;
    const int bandLength = static_cast<int>(bandStep) + 1;

    for (int i = 0; i < count; ++i) {
        const QColor colour(fromRed + roundHalfEven(i * stepRed), fromGreen + roundHalfEven(i * stepGreen),
                            fromBlue + roundHalfEven(i * stepBlue));
        const int offset = roundHalfEven(i * bandStep);
        TRect band = rect;
        if (across) {
            band.left = rect.left + offset;
            band.right = std::min(band.left + bandLength, rect.right);
        } else {
            band.top = rect.top + offset;
            band.bottom = std::min(band.top + bandLength, rect.bottom);
        }
        canvas.fillRect(toQRect(band), colour);
    }
}

TGradientLabel::TGradientLabel(QWidget* owner) : QWidget(owner) {
    QFont verdana = font();
    verdana.setFamily("Verdana");
    setFont(verdana);
}

void TGradientLabel::store(auto& field, auto value) {
    field = value;
    update();
}

void TGradientLabel::SetCaption(const std::string& value) {
    store(FCaption, value);
}
void TGradientLabel::SetColor(TColor value) {
    store(FColor, value);
}
void TGradientLabel::SetFontColor(TColor value) {
    store(FFontColor, value);
}
void TGradientLabel::SetAlignment(TAlignment value) {
    store(FAlignment, value);
}
void TGradientLabel::SetLayout(TTextLayout value) {
    store(FLayout, value);
}
void TGradientLabel::SetWordWrap(bool value) {
    store(FWordWrap, value);
}
void TGradientLabel::SetShowAccelChar(bool value) {
    store(FShowAccelChar, value);
}
void TGradientLabel::SetTransparent(bool value) {
    store(FTransparent, value);
}
void TGradientLabel::SetBiDiMode(TBiDiMode value) {
    store(FBiDiMode, value);
}
void TGradientLabel::SetColorTo(TColor value) {
    store(FColorTo, value);
}
void TGradientLabel::SetVAlignment(TVAlignment value) {
    store(FVAlignment, value);
}
void TGradientLabel::SetIndent(int value) {
    store(FIndent, value);
}
void TGradientLabel::SetGradientType(TGradientType value) {
    store(FGradientType, value);
}
void TGradientLabel::SetTransparentText(bool value) {
    store(FTransparentText, value);
}
void TGradientLabel::SetLineWidth(int value) {
    store(FLineWidth, value);
}
void TGradientLabel::SetOrientation(TGradientOrientation value) {
    store(FOrientation, value);
}

void TGradientLabel::SetEllipsType(TEllipsType value) {
    if (value != FEllipsType) store(FEllipsType, value);
}

unsigned TGradientLabel::TextFormat() const {
    static constexpr unsigned alignments[] = {0, DT_RIGHT, DT_CENTER};
    static constexpr unsigned wordWraps[] = {DT_SINGLELINE, DT_WORDBREAK};
    static constexpr unsigned layouts[] = {0, DT_VCENTER, DT_BOTTOM};
    static constexpr unsigned ellipses[] = {0, DT_END_ELLIPSIS, DT_PATH_ELLIPSIS};
    static constexpr unsigned accelChars[] = {DT_NOPREFIX, 0};
    static constexpr unsigned vAlignments[] = {0, DT_VCENTER, DT_BOTTOM};
    return alignments[FAlignment] | wordWraps[FWordWrap] | layouts[FLayout] | ellipses[FEllipsType] |
           accelChars[FShowAccelChar] | vAlignments[FVAlignment] | DT_NOCLIP;
}

void TGradientLabel::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    Paint(canvas);
}

void TGradientLabel::Paint(QPainter& canvas) {
    canvas.setFont(font());
    const QFontMetrics metrics(font());
    const QString caption = QString::fromLocal8Bit(FCaption.c_str());
    const TRect client{0, 0, width(), height()};
    const int textWidth = metrics.boundingRect(toQRect(client), Qt::TextShowMnemonic, caption).width();
    const int bands = client.width() / 4;
    const bool lineType = FGradientType >= gtBottomLine;

    if (!FTransparent) {
        if (FColorTo == clNone || lineType)
            canvas.fillRect(toQRect(client), toQColor(FColor));
        else
            PaintGradientBands(canvas, FColor, FColorTo, bands, client, FGradientType == gtFullHorizontal);
    }

    if (lineType) {
        TRect strip = client;
        if (FOrientation == goHorizontal) {
            if (FGradientType == gtBottomLine) {
                strip.top = strip.bottom - StripThickness;
            } else if (FGradientType == gtCenterLine) {
                strip.top = strip.top + (strip.bottom - strip.top) / 2;
                strip.bottom = strip.top + StripThickness;
            } else {
                strip.bottom = strip.top + StripThickness;
            }
        } else {
            if (FGradientType == gtBottomLine) {
                strip.left = strip.right - StripThickness;
            } else if (FGradientType == gtCenterLine) {
                strip.left = strip.left + (strip.right - strip.left) / 2;
                strip.right = strip.left + StripThickness;
            } else {
                strip.right = strip.left + StripThickness;
            }
        }
        canvas.save();
        if (FTransparentText && FOrientation == goHorizontal) {
            // The strip leaves a gap as wide as the caption where the caption stands.
            int gapLeft = 0, gapRight = 0;
            if (FAlignment == taLeftJustify) {
                gapLeft = strip.left + FIndent;
                gapRight = gapLeft + textWidth;
            } else if (FAlignment == taRightJustify) {
                gapLeft = strip.right - textWidth - FIndent;
                gapRight = strip.right - FIndent;
            } else {
                const int gap = (strip.right - strip.left - textWidth) / 2;
                gapLeft = strip.left + gap;
                gapRight = strip.left + textWidth + gap;
            }
            QRegion clip(toQRect(strip));
            clip -= QRegion(gapLeft, strip.top, gapRight - gapLeft, strip.height());
            canvas.setClipRegion(clip);
        }
        if (FOrientation == goHorizontal)
            PaintGradientBands(canvas, FColor, FColorTo, bands, strip, true);
        else
            PaintGradientBands(canvas, FColorTo, FColor, bands, strip, false);
        canvas.restore();
    }

    unsigned format = TextFormat();
    // The class library's bidirectional adjustment: right-to-left mirrors the alignment and the reading.
    if (FBiDiMode == bdRightToLeft) {
        if (format & DT_RIGHT)
            format &= ~DT_RIGHT;
        else if (!(format & DT_CENTER))
            format |= DT_RIGHT;
    }
    if (FBiDiMode != bdLeftToRight) format |= DT_RTLREADING;

    TRect r = client;
    if (FOrientation == goHorizontal) {
        if (FAlignment == taLeftJustify)
            r.left += FIndent;
        else if (FAlignment == taRightJustify)
            r.right -= FIndent;
    } else {
        if (FAlignment == taLeftJustify)
            r.bottom -= FIndent;
        else if (FAlignment == taRightJustify)
            r.top += FIndent;
    }

    if (!isEnabled()) {
        drawCaption(canvas, caption, TRect{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1}, format,
                    toQColor(clBtnHighlight));
        drawCaption(canvas, caption, r, format, toQColor(clBtnShadow));
    } else if (FOrientation == goVertical) {
        // Rotated a quarter turn: the caption runs upwards from (x, y).
        const int textHeight = metrics.height();
        const int plainWidth = metrics.horizontalAdvance(caption);
        int x = r.left;
        if (FLayout == tlCenter)
            x = (r.right - r.left) / 2 - textHeight / 2;
        else if (FLayout == tlBottom)
            x = r.right - textHeight;
        int y = r.bottom;
        if (FAlignment == taRightJustify)
            y = r.top + plainWidth;
        else if (FAlignment == taCenter)
            y = plainWidth / 2 + (r.bottom - r.top) / 2;
        canvas.save();
        canvas.translate(x, y);
        canvas.rotate(-90);
        canvas.setPen(toQColor(FFontColor));
        canvas.drawText(0, metrics.ascent(), caption);
        canvas.restore();
    } else {
        drawCaption(canvas, caption, r, format, toQColor(FFontColor));
    }
}
