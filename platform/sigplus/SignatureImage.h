#pragma once

#include <QPoint>
#include <QSize>

#include <string>
#include <vector>

namespace sigplus {

using Stroke = std::vector<QPoint>; // points in logical coordinates

// What the control's image properties ask for.
struct ImageRequest {
    int fileFormat = 0;  // ImageFileFormat: the kind of file, see the table in the source
    QSize size;          // ImageXSize by ImageYSize pixels
    int penWidth = 1;    // ImagePenWidth
    int justifyMode = 0; // JustifyMode: 5 scales the signature to fit and centres it
    QSize logicalArea;   // TabletLogicalXSize by TabletLogicalYSize, the frame without justifying
};

// Writes the strokes as an image file at a Windows path; false when the kind is unknown, the size is
// empty or the file cannot be written.
bool writeSignatureImage(const std::string& windowsPath, const std::vector<Stroke>& strokes,
                         const ImageRequest& request);

// The strokes in image pixels, as the request places them; also used for the metafile.
std::vector<std::vector<QPointF>> placeStrokes(const std::vector<Stroke>& strokes, const ImageRequest& request);

// The pen's width in image pixels: ImagePenWidth counts for an image 350 pixels high and shrinks or
// grows with the image, so a small image does not turn into a blot; never below one pixel.
double penWidthInPixels(const ImageRequest& request);

} // namespace sigplus
