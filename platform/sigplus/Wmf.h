#pragma once

#include <QByteArray>
#include <QPointF>
#include <QSize>

#include <vector>

namespace sigplus {

// A placeable Windows metafile of black polylines, one per stroke, in a frame of the given size in
// pixels (96 to the inch).
QByteArray polylineMetafile(const std::vector<std::vector<QPointF>>& lines, const QSize& size, int penWidth);

} // namespace sigplus
