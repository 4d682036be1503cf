#pragma once

#include "Lcd.h"
#include "SignatureImage.h"

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QWidget>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sigplus {
class PenStream;
class VirtualPad;
} // namespace sigplus

// The signature-pad control, an emulated 240 by 64 LCD pad. On its form it shows the captured ink
// fitted whole into the part of the control that its parent shows; the LCD itself is shown in the
// virtual pad window, which appears once the station first draws on the LCD, comes to the front with
// every screen that has touch areas, and comes back with every later picture after it was closed or
// minimised (unless STYLARA_PAD=hidden). Pen input comes from the pen API
// below, from the mouse on the virtual pad and from the script that STYLARA_PEN names.
//
// Coordinates: the tablet map places the LCD's pixel grid on the tablet, its corners counted from
// the corner (TabletXStart, TabletYStart) of the signing area; a tablet point becomes a logical one
// by the signing area's span (TabletXStart..TabletXStop) scaled to TabletLogicalXSize, and so for y.
// With the screens' settings the LCD covers logical x 100..1900 and y 0..700.
class TSigPlus : public QWidget {
    Q_OBJECT
public:
    explicit TSigPlus(QWidget* parent = nullptr);
    ~TSigPlus() override;

    // The control's operations; arguments and results are 16-bit as the control passes them.
    void ClearTablet();
    short NumberOfTabletPoints() const;
    short GetNumberOfStrokes() const;
    short GetNumPointsForStroke(short stroke) const;
    short GetPointXValue(short stroke, short point) const;
    short GetPointYValue(short stroke, short point) const;
    void KeyPadClearHotSpotList();
    // Only coordinate mode 1, LCD pixels, is known to the pad; a hot spot in another mode is not added.
    void KeyPadAddHotSpot(short key, short coordinateMode, short x, short y, short width, short height);
    // The number of pen points in the area since the hot spot was added or the tablet cleared.
    short KeyPadQueryHotSpot(short key) const;
    void LCDRefresh(short mode, short x, short y, short width, short height);
    void LCDWriteBitmap(short destination, short mode, short x, short y, short width, short height,
                        const QImage& bitmap);
    void LCDSetFont(short height, short width, short weight, short italic, short underline, short strikeOut,
                    const std::string& face);
    void LCDWriteString(short destination, short mode, short x, short y, short clipWidth, short clipHeight,
                        short reserved, const std::string& text);
    void LCDSetWindow(short x, short y, short width, short height);
    // The capture window in LCD pixels (coordinate mode 1; other modes leave the window as it is).
    void SetSigWindow(short coordinateMode, short x, short y, short width, short height);
    void LCDSetTabletMap(short lcdType, short lcdXSize, short lcdYSize, short left, short top, short right,
                         short bottom);
    void SetEventEnableMask(short mask);
    // The signature as an image file at a Windows path; false when nothing could be written.
    bool WriteImageFile(const std::string& path);

    // Properties, set by the station and read by the control when it acts.
    short ImageFileFormat = 0;
    short ImageXSize = 0;
    short ImageYSize = 0;
    short ImagePenWidth = 1;
    short JustifyMode = 0;
    short TabletState = 0; // 1 = capturing; otherwise the pen is ignored
    short LCDCaptureMode = 0;
    short TabletXStart = 0;
    short TabletXStop = 2400;
    short TabletYStart = 0;
    short TabletYStop = 640;
    short TabletLogicalXSize = 2400;
    short TabletLogicalYSize = 640;

    // The pen API: positions in LCD pixels or in tablet coordinates.
    void penDown(const QPointF& lcdPoint);
    void penMove(const QPointF& lcdPoint);
    void penUp();
    void tabletPenDown(const QPoint& tabletPoint) { penDown(lcdFromTablet(tabletPoint)); }
    void tabletPenMove(const QPoint& tabletPoint) { penMove(lcdFromTablet(tabletPoint)); }

    QPointF lcdFromTablet(const QPoint& tabletPoint) const;
    QPoint tabletFromLcd(const QPointF& lcdPoint) const;
    QPoint logicalFromLcd(const QPointF& lcdPoint) const;

    const sigplus::Lcd& lcd() const { return m_lcd; }
    QWidget* virtualPad() const;
    // The model that the pad driver's "SigPlus.ini" names, which the emulated pad takes on.
    static std::string TabletModel();

signals:
    void OnPenDown();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct HotSpot {
        QRect area;
        int hits = 0;
    };
    struct TabletMap {
        int lcdWidth = sigplus::Lcd::Width, lcdHeight = sigplus::Lcd::Height;
        int left = 0, top = 0, right = 2400, bottom = 640;
    };

    void lcdChanged(const QRect& lcdArea = QRect(0, 0, sigplus::Lcd::Width, sigplus::Lcd::Height));
    void hotSpotsChanged();
    QRectF inkArea() const; // the logical area the on-form view shows: the capture window and every point
    void takePoint(const QPointF& lcdPoint, bool penJustDown);

    sigplus::Lcd m_lcd;
    QRect m_inkWindow;
    QRect m_captureWindow;
    TabletMap m_map;
    std::map<int, HotSpot> m_hotSpots;
    std::vector<sigplus::Stroke> m_strokes;
    int m_pointCount = 0;
    bool m_strokeOpen = false;
    bool m_penIsDown = false;
    QPointF m_lastPen;
    short m_eventMask = 0;
    std::unique_ptr<sigplus::VirtualPad> m_virtualPad;
    bool m_virtualPadHidden = false;
    sigplus::PenStream* m_penStream = nullptr;
};
