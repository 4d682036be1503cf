#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include <string>

class QPaintDevice;

namespace print {

// What a print job asks of the spooler.
struct Job {
    std::string printer; // "" for the system's default printer
    std::string title;
    int copies = 1;
    bool collate = false;
};

// Where the sheets of a job go: the machine's printers, or a test's recording. Coordinates are device
// units of a 600 dpi device, as on the printers the programs were made for.
class Device {
public:
    virtual ~Device() = default;

    // Text is measured against this before and during a job, as on the printer's information context.
    virtual QPaintDevice& metrics() = 0;
    // The printable area of a sheet of the running job.
    virtual QRect pageRect() = 0;

    virtual void beginJob(const Job& job) = 0;
    virtual void newSheet() = 0;
    virtual void endJob() = 0;
    // topLeft is the top of the text cell, as the platform's TextOut places text.
    virtual void drawText(QPoint topLeft, const QFont& font, const QString& text) = 0;
    virtual void drawImage(const QRect& target, const QImage& image) = 0;
};

// The device a test installed last, else the machine's printers.
Device& device();

// For a test device: makes it the device until it is swapped out again; returns the one before.
Device* swapDevice(Device* device);

} // namespace print
