#pragma once

#include <QByteArray>
#include <QPainterPath>
#include <QTransform>

#include <optional>

class QPainter;

// Windows metafiles as the picture service shows them: placeable WMF and EMF. A metafile keeps its
// records and plays them each time it is drawn, onto the rectangle it is drawn into, so a large drawing
// costs no image of its own full size.
struct Metafile {
    enum class Kind { Wmf, Emf };
    Kind kind = Kind::Emf;
    QByteArray bytes;
    int himetricWidth = 0; // the picture's size in hundredths of a millimetre
    int himetricHeight = 0;
    // The drawing's device units (placeable units of a WMF, reference-device pixels of an EMF) onto
    // HIMETRIC units of the picture, y down from its top left corner.
    QTransform deviceToHimetric;
    // Reference-device pixels to the millimetre, which EMF mapping modes measure by.
    double pixelsPerMmX = 96 / 25.4;
    double pixelsPerMmY = 96 / 25.4;
};

// True when the bytes begin as a placeable WMF or an EMF does.
bool IsMetafile(const QByteArray& bytes);

// Nothing when the bytes are not a metafile, or its header is damaged or gives it no size.
std::optional<Metafile> ReadMetafile(const QByteArray& bytes);

// Plays the records onto the painter: himetricToPainter places the picture's HIMETRIC units, and clip,
// in the painter's coordinates, bounds what the drawing may touch. Records that run past the end end
// the drawing; records it does not know are passed over.
void PlayMetafile(const Metafile& metafile, QPainter& painter, const QTransform& himetricToPainter,
                  const QPainterPath& clip);
