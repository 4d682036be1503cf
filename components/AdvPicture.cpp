#include "AdvPicture.h"

#include "ui/Application.h"

#include <QPainter>
#include <QTimerEvent>

#include <cmath>

namespace {

constexpr int TickMilliseconds = 10;
// A frame without a usable delay (0, or no marker for it) shows for the time browsers give it.
constexpr int TicksForFrameWithoutDelay = 10;

int max0(int value) {
    return value > 0 ? value : 0;
}

// Trunc of a ratio; a ratio of nothing by nothing gives 0.
int truncated(double value) {
    return std::isfinite(value) ? static_cast<int>(value) : 0;
}

} // namespace

THelperWnd::THelperWnd(QWidget* parent) : QWidget(parent) {
    // Only the tick is wanted of this window: hidden for good and without a size, it never covers its
    // siblings or takes their clicks, whenever its parent comes on screen.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 0, 0);
    hide();
    CreateWnd();
}

THelperWnd::~THelperWnd() {
    m_timer.stop();
}

void THelperWnd::CreateWnd() {
    m_timer.start(TickMilliseconds, Qt::PreciseTimer, this);
}

void THelperWnd::timerEvent(QTimerEvent*) {
    ui::runHandler([this] {
        if (OnTimer) OnTimer();
    });
}

TAdvPicture::TAdvPicture(QWidget* owner) : QWidget(owner), FPicture(std::make_unique<TIPicture>()) {
    resize(100, 100);
    FPicture->OnChange = [this] { PictureChanged(); };
    FPicture->OnFrameChange = [this] { FrameChanged(); };
    FPicture->OnClear = [this] { PictureCleared(); };
}

TAdvPicture::~TAdvPicture() {
    // No tick may reach a control that is going away.
    delete FTimerWindow;
}

std::uint32_t TAdvPicture::GetVersionNr() const {
    return (1u << 24) | (3u << 16) | (0u << 8) | 0u;
}

std::string TAdvPicture::GetVersion() const {
    return formatVersion(GetVersionNr());
}

void TAdvPicture::SetIPicture(const TGraphic* value) {
    FPicture->Assign(value);
    invalidate(rect());
}

void TAdvPicture::SetPicturePosition(TPicturePosition value) {
    if (value == FPicturePosition) return;
    FPicturePosition = value;
    invalidate(rect());
}

void TAdvPicture::SetStretchMode(TStretchMode value) {
    if (value == FStretchMode) return;
    FStretchMode = value;
    invalidate(rect());
}

void TAdvPicture::SetAutoSizeP(bool value) {
    FAutoSize = value;
    if (value && !FPicture->GetEmpty()) resize(FPicture->GetWidth(), FPicture->GetHeight());
}

void TAdvPicture::SetBackgroundColor(TColor value) {
    FBackgroundColor = value;
    FPicture->BackgroundColor = value;
}

void TAdvPicture::SetDoubleBuffered(bool value) {
    FDoubleBuffered = value;
    FPicture->DoubleBuffered = value;
}

void TAdvPicture::SetAnimate(bool value) {
    if (value == FAnimate) return;
    FAnimate = value;
    if (FDesigning) return;
    if (value) {
        // The tick window sits beside the control; a control on no parent carries it itself.
        FTimerWindow = new THelperWnd(parentWidget() ? parentWidget() : this);
        FTickCount = 0;
        FNextFrameTick = 0;
        FTimerWindow->OnTimer = [this] { Timer(); };
    } else {
        delete FTimerWindow;
    }
}

void TAdvPicture::Loaded() {
    FPicture->PixelsPerInchX = logicalDpiX();
    FPicture->PixelsPerInchY = logicalDpiY();
    if (!FPicture->GetEmpty()) FIsAnimated = FPicture->IsGIFFile() && FPicture->GetFrameCount() > 1;
}

void TAdvPicture::PictureChanged() {
    if (FAutoSize && !FPicture->GetEmpty()) SetAutoSizeP(true);
    if (FPicture->GetEmpty()) return;
    FIsAnimated = FPicture->IsGIFFile() && FPicture->GetFrameCount() > 1;
    FPicture->SetFrame(0);
}

void TAdvPicture::FrameChanged() {
    switch (FPicture->FrameDisposal) {
    case 0: // none given
    case 1: // leave in place
    case 3: // restore to previous
        Paint();
        repaint();
        break;
    case 2: // restore to background
        invalidate(QRegion(FPicture->FrameLeft, FPicture->FrameTop, FPicture->FrameWidth, FPicture->FrameHeight));
        break;
    default:
        break;
    }
    if (OnFrameChange) OnFrameChange();
}

void TAdvPicture::PictureCleared() {
    FClearing = true;
    invalidate(rect());
    repaint();
    FClearing = false;
}

void TAdvPicture::Timer() {
    if (!FPicture || !FIsAnimated || FPicture->GetEmpty()) return;
    if (FTickCount == FNextFrameTick) {
        try {
            if (FPicture->GetFrameCount() > FPicture->Frame())
                FPicture->SetFrame(FPicture->Frame() + 1);
            else
                FPicture->SetFrame(1);
        } catch (...) {
            // A frame that does not decode ends the animation, so its error is shown once and not
            // on every tick.
            FIsAnimated = false;
            throw;
        }
        const int delay = FPicture->GetFrameTime(FPicture->Frame());
        FNextFrameTick += delay > 0 ? delay : TicksForFrameWithoutDelay;
    }
    ++FTickCount;
}

void TAdvPicture::invalidate(const QRegion& region) {
    m_erase += region;
    update(region);
}

void TAdvPicture::ensureCanvas() {
    if (m_canvas.size() == size()) return;
    m_canvas = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    m_canvas.fill(Qt::transparent);
    m_erase = rect();
}

void TAdvPicture::paintEvent(QPaintEvent*) {
    ensureCanvas();
    if (!m_erase.isEmpty()) {
        QPainter eraser(&m_canvas);
        eraser.setCompositionMode(QPainter::CompositionMode_Source);
        eraser.setClipRegion(m_erase);
        eraser.fillRect(m_canvas.rect(), Qt::transparent);
        eraser.end();
        m_paintClip = m_erase;
        m_erase = QRegion();
        Paint();
        m_paintClip = QRegion();
    }
    QPainter screen(this);
    screen.drawImage(0, 0, m_canvas);
}

void TAdvPicture::Paint() {
    ensureCanvas();
    if (m_canvas.isNull()) return;
    QPainter canvas(&m_canvas);
    if (!m_paintClip.isEmpty()) canvas.setClipRegion(m_paintClip);
    paintPicture(canvas);
}

void TAdvPicture::paintPicture(QPainter& canvas) {
    const int W = width(), H = height();
    if (FClearing || !FPicture || FPicture->GetEmpty() || W <= 0 || H <= 0) return;
    const int MW = FPicture->GetMaxWidth(), MH = FPicture->GetMaxHeight();

    // The picture's size, shrunk with its aspect kept when it is larger than the control; never enlarged.
    int w = MW, h = MH;
    const double rx = double(MW) / W, ry = double(MH) / H;
    if (rx > 1.0 || ry > 1.0) {
        if (rx > ry) {
            w = W;
            h = truncated(MH / rx);
        } else {
            w = truncated(MW / ry);
            h = H;
        }
    }

    auto drawAt = [&](int x, int y) {
        FPicture->Draw(canvas, TRect{x, y, x + FPicture->GetWidth(), y + FPicture->GetHeight()});
    };
    auto stretchInto = [&](int left, int top, int right, int bottom) {
        FPicture->Draw(canvas, TRect{left, top, right, bottom});
    };
    const bool shrink = FStretchMode == smShrink;

    switch (FPicturePosition) {
    case bpTopLeft:
        shrink ? stretchInto(0, 0, w, h) : drawAt(0, 0);
        break;
    case bpTopRight:
        shrink ? stretchInto(max0(W - w), 0, max0(W - w) + w, h) : drawAt(max0(W - MW), 0);
        break;
    case bpBottomLeft:
        shrink ? stretchInto(0, max0(H - h), w, H) : drawAt(0, max0(H - MH));
        break;
    case bpBottomRight:
        shrink ? stretchInto(max0(W - w), max0(H - h), W, H) : drawAt(max0(W - MW), max0(H - MH));
        break;
    case bpCenter:
        if (shrink) {
            const int left = max0(W - w) / 2, top = max0(H - h) / 2;
            stretchInto(left, top, left + w, top + h);
        } else {
            drawAt(max0(W - MW) / 2, max0(H - MH) / 2);
        }
        break;
    case bpTiled:
        if (MW == 0 || MH == 0) break;
        for (int y = 0; y < H; y += MH)
            for (int x = 0; x < W; x += MW)
                drawAt(x, y);
        break;
    case bpStretched:
        stretchInto(0, 0, W, H);
        break;
    case bpStretchedWithAspect:
        if (double(MW) / W > double(MH) / H)
            stretchInto(0, 0, W, truncated(MH / (double(MW) / W)));
        else
            stretchInto(0, 0, truncated(MW / (double(MH) / H)), H);
        break;
    }
}
