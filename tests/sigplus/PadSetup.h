#pragma once

#include "sigplus/SigPlus.h"

// The mapping and capture settings that the station's screens give the pad.
inline void mapLikeTheScreens(TSigPlus& pad) {
    pad.LCDSetTabletMap(0, 240, 64, 100, 0, 1900, 700);
    pad.TabletXStart = 400;
    pad.TabletXStop = 2400;
    pad.TabletYStart = 350;
    pad.TabletYStop = 1050;
    pad.TabletLogicalXSize = 2000;
    pad.TabletLogicalYSize = 700;
    pad.TabletState = 1;
}

// The lit pixels' bounding box within an area of the LCD; empty when none is lit.
inline QRect litBox(const TSigPlus& pad, const QRect& area = QRect(0, 0, 240, 64)) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (pad.lcd().lit(x, y)) box = box.united(QRect(x, y, 1, 1));
    return box;
}
