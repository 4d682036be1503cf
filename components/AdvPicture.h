#pragma once

#include "Graphics.h"

#include <QBasicTimer>
#include <QFuture>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class IPicture;

// What one run of the picture service made of a frame's bytes: the picture, or the error raised and the
// step that raised it (a failure before the loader leaves the picture shown in place).
struct FrameLoad {
    enum Step { Allocation, Stream, Loader };
    std::shared_ptr<IPicture> picture;
    std::string error;
    Step failedAt = Loader;
};

enum TPicturePosition : std::uint8_t {
    bpTopLeft,
    bpTopRight,
    bpBottomLeft,
    bpBottomRight,
    bpCenter,
    bpTiled,
    bpStretched,
    bpStretchedWithAspect
};
enum TStretchMode : std::uint8_t { smNever, smShrink };

// A picture that keeps its file's bytes as loaded and has the picture service decode them; of an
// animated GIF it shows one frame, cut out of the bytes.
class TIPicture : public TGraphic {
public:
    TIPicture();
    ~TIPicture() override;

    void Assign(const TGraphic* source) override;
    void Draw(QPainter& canvas, const TRect& rect) override;
    bool GetEmpty() const override { return FEmpty; }
    int GetWidth() const override;
    int GetHeight() const override;
    // A Windows path. Every failure leaves the picture empty and is not passed on.
    void LoadFromFile(const std::string& fileName) override;
    void LoadFromStream(QIODevice* stream) override;
    void SaveToStream(QIODevice* stream) const override;
    void ReadData(QIODevice* stream) override;
    void WriteData(QIODevice* stream) const override;
    const char* ClassName() const override { return "TIPicture"; }

    // The program's resources are Qt's: the name ":/" + name.
    void LoadFromResourceName(const std::string& name);
    void LoadFromResourceID(int resId);
    // "res://name" and "file://path", the prefix in any case; any other URL changes nothing.
    void LoadFromURL(const std::string& url);

    int Frame() const { return FFrame; }
    void SetFrame(int value);
    int GetFrameCount();
    int GetFrameTime(int frameNo);
    bool IsGIFFile() const;
    int GetMaxWidth() const;
    int GetMaxHeight() const;

    // Decoding ahead for the animation: whether showing a frame would wait for no decoding, and the
    // frames to decode on a worker thread meanwhile (decodes of other frames are let go).
    bool FrameReady(int frame);
    void DecodeAhead(const std::vector<int>& frames);

    bool Stretch = false;
    int PixelsPerInchX = 96;
    int PixelsPerInchY = 96;
    std::string SourceUrl;
    TNotifyEvent OnChange;
    TNotifyEvent OnFrameChange;
    TNotifyEvent OnClear;
    std::uint16_t FrameLeft = 0;
    std::uint16_t FrameTop = 0;
    std::uint16_t FrameWidth = 0;
    std::uint16_t FrameHeight = 0;
    bool FrameTransparent = false;
    std::uint16_t FrameDisposal = 0;
    std::uint16_t ScreenWidth = 0;
    std::uint16_t ScreenHeight = 0;
    bool DoubleBuffered = false;
    TColor BackgroundColor = clBlack;

private:
    void LoadPicture();
    void replaceData(QByteArray data);
    const std::vector<qsizetype>& frameMarkers();
    int frameKey(int frame);
    void placeFrame();
    void keepDecoded(int key);

    std::shared_ptr<IPicture> OlePicture;
    QByteArray ImageData;
    bool FEmpty = true;
    int FFrame = 0;
    int FrameCountCache = -1;

    // What the frame scan found, the frames already decoded and those being decoded ahead, by the bytes
    // the loader is handed (the frame number, with every frame from 1 down counted as 1, and every frame
    // past the last as one); all go with the bytes. Decoded frames are kept only when all of them fit
    // the bound: of an animation too large for it, keeping a few saves a few decodes a round and holds
    // their memory for good.
    static constexpr qint64 MaxDecodedPixels = 32 * 1024 * 1024;
    std::shared_ptr<const std::vector<qsizetype>> m_markers;
    std::optional<bool> m_allFramesFit;
    std::map<int, std::shared_ptr<IPicture>> m_decoded;
    qint64 m_decodedPixels = 0;
    std::map<int, QFuture<FrameLoad>> m_ahead;
};

// A window that exists only for the animation's 10-ms tick.
class THelperWnd : public QWidget {
public:
    explicit THelperWnd(QWidget* parent);
    ~THelperWnd() override;

    TNotifyEvent OnTimer;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void CreateWnd();
    QBasicTimer m_timer;
};

// The picture control: places its picture at one of eight positions and plays animated GIFs.
class TAdvPicture : public QWidget {
public:
    explicit TAdvPicture(QWidget* owner = nullptr);
    ~TAdvPicture() override;

    bool Animate() const { return FAnimate; }
    void SetAnimate(bool value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSizeP(bool value);
    TIPicture* Picture() const { return FPicture.get(); }
    void SetIPicture(const TGraphic* value);
    TPicturePosition PicturePosition() const { return FPicturePosition; }
    void SetPicturePosition(TPicturePosition value);
    TStretchMode StretchMode() const { return FStretchMode; }
    void SetStretchMode(TStretchMode value);
    bool DoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool value);
    TColor BackgroundColor() const { return FBackgroundColor; }
    void SetBackgroundColor(TColor value);
    bool IsAnimated() const { return FIsAnimated; }
    THelperWnd* TimerWindow() const { return FTimerWindow; }

    std::uint32_t GetVersionNr() const;
    std::string GetVersion() const;
    void SetVersion(const std::string&) {}

    // The form designer's state: no animation while designing.
    bool Designing() const { return FDesigning; }
    void SetDesigning(bool value) { FDesigning = value; }

    // After the form has been set up: the screen's resolution for the picture's sizes.
    void Loaded();
    // Draws the picture onto the control's canvas, over what stands there.
    void Paint();

    TNotifyEvent OnFrameChange;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PictureChanged();
    void FrameChanged();
    void PictureCleared();
    void Timer();
    void paintPicture(QPainter& canvas);
    void invalidate(const QRegion& region);
    void ensureCanvas();

    bool FAnimate = false;
    bool FAutoSize = false;
    std::unique_ptr<TIPicture> FPicture;
    TPicturePosition FPicturePosition = bpTopLeft;
    QPointer<THelperWnd> FTimerWindow;
    int FTickCount = 0;
    int FNextFrameTick = 0;
    bool FIsAnimated = false;
    TStretchMode FStretchMode = smNever;
    bool FDoubleBuffered = false;
    TColor FBackgroundColor = clBlack;
    bool FClearing = false;
    bool FDesigning = false;
    // How many frames decode ahead of the one shown, and whether they have begun since the animation started.
    int FFramesAhead = 1;
    bool FDecodingAhead = false;

    // The control's canvas keeps what was drawn, so a frame can be drawn over the one before it; the
    // region to erase first is what has been invalidated since the last paint.
    QImage m_canvas;
    QRegion m_erase;
    QRegion m_paintClip;
};
