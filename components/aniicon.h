#pragma once

#include "Graphics.h"

#include <QBasicTimer>
#include <QImage>
#include <QPoint>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QCursor;

// The chunk ids of an animated-cursor file as 32-bit values (the decoder compares ids as text).
constexpr std::uint32_t fourCC(const char (&id)[5]) {
    return std::uint32_t(std::uint8_t(id[0])) | std::uint32_t(std::uint8_t(id[1])) << 8 |
           std::uint32_t(std::uint8_t(id[2])) << 16 | std::uint32_t(std::uint8_t(id[3])) << 24;
}
constexpr std::uint32_t cklist = fourCC("LIST");
constexpr std::uint32_t ckicon = fourCC("ICON");
constexpr std::uint32_t ckrate = fourCC("rate");
constexpr std::uint32_t ckseq = fourCC("seq ");

// The "anih" record of an animated-cursor file.
struct TAniHeader {
    std::uint32_t cbSizeOf = 0;
    std::uint32_t cFrames = 0;
    std::uint32_t cSteps = 0;
    std::uint32_t cx = 0;
    std::uint32_t cy = 0;
    std::uint32_t cBitCount = 0;
    std::uint32_t cPlanes = 0;
    std::uint32_t JifRate = 0; // default display rate
    std::uint32_t flags = 0;
};

// An animated-cursor file (RIFF form "ACON"): its bytes as loaded, up to 64 frames made into icons,
// and the stepping from frame to frame by the file's display rates.
class TAniIconFile : public TGraphic {
public:
    static constexpr int MaxFrames = 64;
    static constexpr int TableEntries = 128;

    TAniIconFile();
    ~TAniIconFile() override;

    void Assign(const TGraphic* source) override;
    void Draw(QPainter& canvas, const TRect& rect) override;
    bool GetEmpty() const override { return false; }
    int GetWidth() const override { return 32; }
    int GetHeight() const override { return 32; }
    // A Windows path; only a name ending in ".ani" (any case) of a file that exists loads.
    void LoadFromFile(const std::string& fileName) override;
    void LoadFromStream(QIODevice* stream) override;
    void SaveToStream(QIODevice* stream) const override;
    void ReadData(QIODevice* stream) override;
    void WriteData(QIODevice* stream) const override;
    const char* ClassName() const override { return "TAniIconFile"; }

    // Reads the file's bytes in a fixed order; a file that ends early raises the read error.
    void AniDecode();
    void SetFrame(int index);
    void Step();
    // The whole file as a cursor (its first frame); nothing when there is no file or no frame.
    std::optional<QCursor> GetCursorHandle() const;
    void StreamToTemp(const std::string& fileName) const;
    qint64 GetStreamSize() const { return CursorData.size(); }

    std::array<QImage, MaxFrames> FrameIcons; // a null image: no such frame
    std::array<std::int32_t, TableEntries> FrameRates{};
    std::array<std::int32_t, TableEntries> FrameSequence{};
    TAniHeader AniHeader;
    QByteArray CursorData;
    int CurrentFrame = 0;
    int StepTicks = 0;
    TNotifyEvent OnAniChange;

private:
    void clearIcons();

    bool FLoaded = false;
    std::array<QPoint, MaxFrames> m_hotSpots{};
};

// Shows an animated-cursor file and plays it on a 20-ms tick, always or only under the mouse,
// optionally as a flat button.
class TAniIcon : public QWidget {
public:
    explicit TAniIcon(QWidget* owner = nullptr);
    ~TAniIcon() override;

    TAniIconFile* AniFile() const { return FAniFile.get(); }
    void SeTAniIconFile(const TGraphic* value);
    bool Animated() const { return FAnimated; }
    void SetAnimated(bool value);
    bool TimerRunning() const { return FTimerRunning; }
    int Frame() const { return FFrame; }
    void SetFrame(int value);
    bool Center() const { return FCenter; }
    void SetCenter(bool value);
    bool MouseInside() const { return FMouseInside; }
    bool Pressed() const { return FPressed; }

    bool Transparent = false;
    bool AnimateOnEnter = false;
    bool ButtonStyle = false;
    TColor Color = clBtnFace;

    std::uint32_t GetVersionNr() const;
    std::string GetVersion() const;
    void SetVersion(const std::string&) {}

    bool Designing() const { return FDesigning; }
    void SetDesigning(bool value) { FDesigning = value; }

    void Paint(QPainter& canvas);

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void AniChanged();
    void CMMouseEnter();
    void CMMouseLeave();
    void MouseDown(Qt::MouseButton button);
    void MouseUp();

    std::unique_ptr<TAniIconFile> FAniFile;
    bool FAnimated = false;
    bool FTimerRunning = false;
    int FFrame = 0;
    bool FCenter = false;
    bool FMouseInside = false;
    bool FPressed = false;
    bool FDesigning = false;
    QBasicTimer m_timer;
};
