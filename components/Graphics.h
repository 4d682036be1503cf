#pragma once

#include <QByteArray>
#include <QColor>

#include <cstdint>
#include <functional>
#include <string>

class QIODevice;
class QPainter;

// The class library's colour: red in the low byte, then green and blue; values with the top byte
// 0xFF name a system colour, clNone names no colour at all.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clWindowText = 0xFF000008;
constexpr TColor clBtnFace = 0xFF00000F;
constexpr TColor clBtnShadow = 0xFF000010;
constexpr TColor clBtnHighlight = 0xFF000014;

// System colours resolve to the classic Windows scheme so that painting is the same on every desktop.
TColor ColorToRGB(TColor color);

// The colour as Qt paints it: the three low bytes of ColorToRGB, opaque.
QColor toQColor(TColor color);

// A rectangle as the platform gives it: right and bottom lie just outside.
struct TRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const TRect&) const = default;
};

// The class library's notify event; the sender is left out, the handlers capture what they need.
using TNotifyEvent = std::function<void()>;

// The class library's graphic: what the picture holders share.
class TGraphic {
public:
    virtual ~TGraphic() = default;

    virtual void Assign(const TGraphic* source) = 0;
    virtual void Draw(QPainter& canvas, const TRect& rect) = 0;
    virtual bool GetEmpty() const = 0;
    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    virtual void LoadFromFile(const std::string& fileName) = 0;
    virtual void LoadFromStream(QIODevice* stream) = 0;
    virtual void SaveToStream(QIODevice* stream) const = 0;
    // How a form description streams the graphic's bytes.
    virtual void ReadData(QIODevice* stream) = 0;
    virtual void WriteData(QIODevice* stream) const = 0;
    virtual const char* ClassName() const = 0;
};

// The four bytes of a packed version number (major, minor, release, build) joined by ".".
std::string formatVersion(std::uint32_t versionNr);

// A stream's whole content from its start, as the graphics copy it on loading.
QByteArray readWholeStream(QIODevice& stream);

// The platform's MulDiv: a × b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c);
