#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

// Windows metafiles as the picture service shows them: placeable WMF and EMF, drawn with QPainter onto
// an image of the picture's size at 96 pixels to the inch. The records that line drawings and text use
// are drawn (the window and viewport set-up, pens, brushes, fonts, lines, polylines, polygons,
// rectangles, ellipses and text); other records are passed over.

struct MetafilePicture {
    QImage image;
    int himetricWidth = 0; // the picture's size in hundredths of a millimetre
    int himetricHeight = 0;
};

// True when the bytes begin as a placeable WMF or an EMF does.
bool IsMetafile(const QByteArray& bytes);

// Nothing when the bytes are not a metafile, its header is damaged, or its size is none, larger than
// maxSide pixels either way or more than Qt's allocation limit for an image; records that run past the
// end end the drawing.
std::optional<MetafilePicture> DecodeMetafile(const QByteArray& bytes, int maxSide);
