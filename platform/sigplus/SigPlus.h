#pragma once

#include <QWidget>

// The signature-pad control. This first cut holds only what the station's shutdown calls; the
// emulated pad replaces it.
class TSigPlus : public QWidget {
public:
    explicit TSigPlus(QWidget* parent = nullptr) : QWidget(parent) {}
    void LCDSetWindow(int /*x*/, int /*y*/, int /*width*/, int /*height*/) {}
    void LCDRefresh(int /*mode*/, int /*x*/, int /*y*/, int /*width*/, int /*height*/) {}
};
