#pragma once

#include "Graphics.h"

#include <QWidget>

#include <cstdint>
#include <string>

// The label's own enumerations, in value order.
enum TGradientType : std::uint8_t { gtFullHorizontal, gtFullVertical, gtBottomLine, gtCenterLine, gtTopLine };
enum TEllipsType : std::uint8_t { etNone, etEndEllips, etPathEllips };
enum TVAlignment : std::uint8_t { vaTop, vaCenter, vaBottom };
enum TGradientOrientation : std::uint8_t { goHorizontal, goVertical };

// The class library's label settings that the gradient label keeps.
enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout : std::uint8_t { tlTop, tlCenter, tlBottom };
enum TBiDiMode : std::uint8_t { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

// Paints count bands from one colour to the other across (left to right) or down the rectangle;
// neighbouring bands overlap by up to one pixel.
void PaintGradientBands(QPainter& canvas, TColor fromColor, TColor toColor, int count, const TRect& rect, bool across);

// A label on a two-colour gradient, or with a thin gradient line under, through or over its caption.
class TGradientLabel : public QWidget {
public:
    explicit TGradientLabel(QWidget* owner = nullptr);

    // The label's own settings. Each setter stores and repaints.
    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode value);
    bool AutoSize() const { return FAutoSize; } // stored only: the label keeps the size it is given
    void SetAutoSize(bool value) { FAutoSize = value; }

    // The gradient settings. The writer of ColorTo is SetColorTo, as SetColor writes the label colour.
    TColor ColorTo() const { return FColorTo; }
    void SetColorTo(TColor value);
    TEllipsType EllipsType() const { return FEllipsType; }
    void SetEllipsType(TEllipsType value);
    TVAlignment VAlignment() const { return FVAlignment; }
    void SetVAlignment(TVAlignment value);
    int Indent() const { return FIndent; }
    void SetIndent(int value);
    TGradientType GradientType() const { return FGradientType; }
    void SetGradientType(TGradientType value);
    bool TransparentText() const { return FTransparentText; }
    void SetTransparentText(bool value);
    int LineWidth() const { return FLineWidth; } // stored only: strips are always 2 pixels thick
    void SetLineWidth(int value);
    TGradientOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TGradientOrientation value);

    // The text-format flags of the caption before the bidirectional adjustment (DrawTextEx values).
    unsigned TextFormat() const;

    void Paint(QPainter& canvas);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void store(auto& field, auto value);

    std::string FCaption;
    TColor FColor = clBtnFace;
    TColor FFontColor = clWindowText;
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FWordWrap = false;
    bool FShowAccelChar = true;
    bool FTransparent = false;
    TBiDiMode FBiDiMode = bdLeftToRight;
    bool FAutoSize = false;

    TColor FColorTo = clWhite;
    TEllipsType FEllipsType = etNone;
    TVAlignment FVAlignment = vaTop;
    int FIndent = 0;
    TGradientType FGradientType = gtFullHorizontal;
    bool FTransparentText = false;
    int FLineWidth = 2;
    TGradientOrientation FOrientation = goHorizontal;
};
