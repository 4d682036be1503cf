#include "SigPlus.h"

#include "PenStream.h"
#include "VirtualPad.h"
#include "ui/Application.h"
#include "win/Profile.h"
#include "win/System.h"
#include "win/WinPath.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// The pad holds as many points as its 16-bit count can tell; more would read as no signature.
constexpr int maxPoints = 32767;

short sixteenBits(long value) {
    return static_cast<short>(std::clamp(value, -32768L, 32767L));
}

bool inside(const QRect& area, const QPointF& point) {
    return point.x() >= area.left() && point.x() < area.left() + area.width() && point.y() >= area.top() &&
           point.y() < area.top() + area.height();
}

double span(short start, short stop) {
    return stop == start ? 1.0 : static_cast<double>(stop - start);
}

} // namespace

TSigPlus::TSigPlus(QWidget* parent) : QWidget(parent) {
    m_captureWindow = QRect(0, 0, sigplus::Lcd::Width, sigplus::Lcd::Height);
    m_virtualPad = std::make_unique<sigplus::VirtualPad>(m_lcd);
    const char* padSetting = std::getenv("STYLARA_PAD");
    m_virtualPadHidden = padSetting && std::strcmp(padSetting, "hidden") == 0;
    const std::string model = TabletModel();
    m_virtualPad->setWindowTitle(QString::fromStdString(model.empty() ? "Stylara pad" : "Stylara pad - " + model));
    connect(m_virtualPad.get(), &sigplus::VirtualPad::penPressed, this,
            ui::guarded([this](QPointF point) { penDown(point); }));
    connect(m_virtualPad.get(), &sigplus::VirtualPad::penMoved, this,
            ui::guarded([this](QPointF point) { penMove(point); }));
    connect(m_virtualPad.get(), &sigplus::VirtualPad::penReleased, this, ui::guarded([this] { penUp(); }));

    if (const char* path = std::getenv("STYLARA_PEN"); path && *path) {
        m_penStream = new sigplus::PenStream(QString::fromLocal8Bit(path), this);
        connect(m_penStream, &sigplus::PenStream::penDown, this,
                ui::guarded([this](QPointF point) { penDown(point); }));
        connect(m_penStream, &sigplus::PenStream::penMove, this,
                ui::guarded([this](QPointF point) { penMove(point); }));
        connect(m_penStream, &sigplus::PenStream::penUp, this, ui::guarded([this] { penUp(); }));
    }
}

TSigPlus::~TSigPlus() = default;

QWidget* TSigPlus::virtualPad() const {
    return m_virtualPad.get();
}

std::string TSigPlus::TabletModel() {
    char model[256];
    win::GetPrivateProfileStringA("Tablet", "TabletModel", "", model, sizeof model,
                                  (win::windowsDirectory() + "\\SigPlus.ini").c_str());
    return model;
}

void TSigPlus::lcdChanged(const QRect& lcdArea) {
    // Every picture brings the pad back, so a pad window closed or minimised while idle is not lost.
    if (!m_virtualPadHidden && m_virtualPad->putAway())
        m_virtualPad->bringBack();
    m_virtualPad->showLcdArea(lcdArea);
}

void TSigPlus::hotSpotsChanged() {
    std::vector<QRect> areas;
    for (const auto& [key, spot] : m_hotSpots)
        areas.push_back(spot.area);
    m_virtualPad->setHotSpots(std::move(areas));
    // A screen that waits for a touch is put in front of the signer, wherever the pad window was, and
    // above the window that shows the document.
    if (!m_virtualPadHidden && m_virtualPad->awaitsTouch()) {
        m_virtualPad->setCompanion(window() != this ? window() : nullptr);
        m_virtualPad->bringBack();
    }
}

// --- Coordinates -------------------------------------------------------------------------------

QPoint TSigPlus::tabletFromLcd(const QPointF& lcdPoint) const {
    const double x =
        TabletXStart + m_map.left + lcdPoint.x() * (m_map.right - m_map.left) / std::max(1, m_map.lcdWidth);
    const double y =
        TabletYStart + m_map.top + lcdPoint.y() * (m_map.bottom - m_map.top) / std::max(1, m_map.lcdHeight);
    return QPoint(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
}

QPointF TSigPlus::lcdFromTablet(const QPoint& tabletPoint) const {
    const double width = m_map.right == m_map.left ? 1.0 : m_map.right - m_map.left;
    const double height = m_map.bottom == m_map.top ? 1.0 : m_map.bottom - m_map.top;
    return QPointF((tabletPoint.x() - TabletXStart - m_map.left) * m_map.lcdWidth / width,
                   (tabletPoint.y() - TabletYStart - m_map.top) * m_map.lcdHeight / height);
}

QPoint TSigPlus::logicalFromLcd(const QPointF& lcdPoint) const {
    const QPoint tablet = tabletFromLcd(lcdPoint);
    const double x = (tablet.x() - TabletXStart) * TabletLogicalXSize / span(TabletXStart, TabletXStop);
    const double y = (tablet.y() - TabletYStart) * TabletLogicalYSize / span(TabletYStart, TabletYStop);
    return QPoint(sixteenBits(std::lround(x)), sixteenBits(std::lround(y)));
}

void TSigPlus::LCDSetTabletMap(short /*lcdType*/, short lcdXSize, short lcdYSize, short left, short top, short right,
                               short bottom) {
    m_map = TabletMap{lcdXSize, lcdYSize, left, top, right, bottom};
}

// --- Pen ---------------------------------------------------------------------------------------

void TSigPlus::takePoint(const QPointF& lcdPoint, bool penJustDown) {
    for (auto& [key, spot] : m_hotSpots)
        if (inside(spot.area, lcdPoint) && spot.hits < maxPoints) ++spot.hits;

    const QPointF from = penJustDown ? lcdPoint : m_lastPen;
    m_lcd.drawInk(from, lcdPoint, m_inkWindow);
    m_lastPen = lcdPoint;
    lcdChanged(QRectF(from, lcdPoint).normalized().toAlignedRect().adjusted(-1, -1, 1, 1));

    // Leaving the capture window ends the stroke; coming back starts a new one, so no line is drawn
    // across the part that was not captured.
    if (!inside(m_captureWindow, lcdPoint) || m_pointCount >= maxPoints) {
        m_strokeOpen = false;
        return;
    }
    if (!m_strokeOpen) {
        m_strokes.emplace_back();
        m_strokeOpen = true;
    }
    m_strokes.back().push_back(logicalFromLcd(lcdPoint));
    ++m_pointCount;
    update();
}

void TSigPlus::penDown(const QPointF& lcdPoint) {
    if (TabletState != 1) return;
    m_penIsDown = true;
    m_strokeOpen = false;
    takePoint(lcdPoint, true);
    // Last, so that the handler finds this touch already counted in the hot spots.
    if (m_eventMask & 1) emit OnPenDown();
}

void TSigPlus::penMove(const QPointF& lcdPoint) {
    if (TabletState != 1 || !m_penIsDown) return;
    takePoint(lcdPoint, false);
}

void TSigPlus::penUp() {
    m_penIsDown = false;
    m_strokeOpen = false;
}

void TSigPlus::ClearTablet() {
    m_strokes.clear();
    m_pointCount = 0;
    m_strokeOpen = false;
    for (auto& [key, spot] : m_hotSpots)
        spot.hits = 0;
    update();
}

short TSigPlus::NumberOfTabletPoints() const {
    return sixteenBits(m_pointCount);
}

short TSigPlus::GetNumberOfStrokes() const {
    return sixteenBits(static_cast<long>(m_strokes.size()));
}

short TSigPlus::GetNumPointsForStroke(short stroke) const {
    if (stroke < 0 || stroke >= static_cast<int>(m_strokes.size())) return 0;
    return sixteenBits(static_cast<long>(m_strokes[stroke].size()));
}

short TSigPlus::GetPointXValue(short stroke, short point) const {
    if (point < 0 || point >= GetNumPointsForStroke(stroke)) return 0;
    return static_cast<short>(m_strokes[stroke][point].x());
}

short TSigPlus::GetPointYValue(short stroke, short point) const {
    if (point < 0 || point >= GetNumPointsForStroke(stroke)) return 0;
    return static_cast<short>(m_strokes[stroke][point].y());
}

void TSigPlus::KeyPadClearHotSpotList() {
    m_hotSpots.clear();
    hotSpotsChanged();
}

void TSigPlus::KeyPadAddHotSpot(short key, short coordinateMode, short x, short y, short width, short height) {
    if (coordinateMode != 1) return;
    m_hotSpots[key] = HotSpot{QRect(x, y, width, height), 0};
    hotSpotsChanged();
}

short TSigPlus::KeyPadQueryHotSpot(short key) const {
    const auto spot = m_hotSpots.find(key);
    return spot == m_hotSpots.end() ? 0 : sixteenBits(spot->second.hits);
}

void TSigPlus::SetSigWindow(short coordinateMode, short x, short y, short width, short height) {
    if (coordinateMode != 1) return;
    // An empty window stands for the whole pad.
    m_captureWindow =
        width > 0 && height > 0 ? QRect(x, y, width, height) : QRect(0, 0, sigplus::Lcd::Width, sigplus::Lcd::Height);
}

void TSigPlus::SetEventEnableMask(short mask) {
    m_eventMask = mask;
}

// --- LCD ---------------------------------------------------------------------------------------

void TSigPlus::LCDRefresh(short mode, short x, short y, short width, short height) {
    m_lcd.refresh(mode, QRect(x, y, width, height));
    lcdChanged(QRect(x, y, width, height));
}

void TSigPlus::LCDWriteBitmap(short destination, short /*mode*/, short x, short y, short width, short height,
                              const QImage& bitmap) {
    m_lcd.writeBitmap(destination, QRect(x, y, width, height), bitmap);
    // A picture put straight over the whole screen is a screen of its own (the idle screen): the touch
    // areas kept from the screen before would point at words that are gone, so they are outlined again
    // only once hot spots are set for it.
    const QRect area(x, y, width, height);
    if (destination == sigplus::Lcd::Screen && area.contains(QRect(0, 0, sigplus::Lcd::Width, sigplus::Lcd::Height)))
        m_virtualPad->setHotSpots({});
    lcdChanged(area);
}

void TSigPlus::LCDSetFont(short height, short /*width*/, short weight, short /*italic*/, short /*underline*/,
                          short /*strikeOut*/, const std::string& face) {
    m_lcd.setFont(height, weight, face);
}

void TSigPlus::LCDWriteString(short destination, short /*mode*/, short x, short y, short /*clipWidth*/,
                              short /*clipHeight*/, short /*reserved*/, const std::string& text) {
    m_lcd.writeString(destination, x, y, text);
    lcdChanged();
}

void TSigPlus::LCDSetWindow(short x, short y, short width, short height) {
    m_inkWindow = QRect(x, y, width, height);
}

// --- Images and the on-form view ---------------------------------------------------------------

bool TSigPlus::WriteImageFile(const std::string& path) {
    sigplus::ImageRequest request;
    request.fileFormat = ImageFileFormat;
    request.size = QSize(ImageXSize, ImageYSize);
    request.penWidth = ImagePenWidth;
    request.justifyMode = JustifyMode;
    request.logicalArea = QSize(TabletLogicalXSize, TabletLogicalYSize);
    return sigplus::writeSignatureImage(path, m_strokes, request);
}

QRectF TSigPlus::inkArea() const {
    const QRectF capture(logicalFromLcd(m_captureWindow.topLeft()),
                         logicalFromLcd(QPointF(m_captureWindow.x() + m_captureWindow.width(),
                                                m_captureWindow.y() + m_captureWindow.height())));
    double left = capture.left(), top = capture.top(), right = capture.right(), bottom = capture.bottom();
    // Points taken under an earlier window or map still belong to the signature.
    for (const sigplus::Stroke& stroke : m_strokes)
        for (const QPoint& point : stroke) {
            left = std::min<double>(left, point.x());
            top = std::min<double>(top, point.y());
            right = std::max<double>(right, point.x());
            bottom = std::max<double>(bottom, point.y());
        }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

void TSigPlus::paintEvent(QPaintEvent*) {
    if (m_strokes.empty()) return;
    constexpr double penWidth = 1.5;
    // The form may show only part of the control; the signature is fitted whole into the part that
    // shows, its proportions kept, and stays put while it is being written.
    QRectF box = rect();
    if (const QWidget* holder = parentWidget()) box &= QRectF(holder->rect().translated(-pos()));
    box.adjust(penWidth, penWidth, -penWidth, -penWidth);
    const QRectF area = inkArea();
    if (box.width() <= 0 || box.height() <= 0) return;
    const double scale =
        std::min(box.width() / std::max(1.0, area.width()), box.height() / std::max(1.0, area.height()));
    const QPointF offset = box.center() - area.center() * scale;
    const auto place = [&](const QPoint& point) { return offset + QPointF(point) * scale; };

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, penWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (const sigplus::Stroke& stroke : m_strokes) {
        if (stroke.size() == 1) {
            painter.drawPoint(place(stroke.front()));
            continue;
        }
        QPainterPath path(place(stroke.front()));
        for (size_t i = 1; i < stroke.size(); ++i)
            path.lineTo(place(stroke[i]));
        painter.drawPath(path);
    }
}
