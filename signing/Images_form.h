#pragma once

#include <QImage>
#include <QWidget>

class QListWidget;

// The hidden holder of the pad's stock bitmaps, each 240 by 64 pixels and drawn in code, and of the
// list box that the PDF signing keeps its object offsets in.
class Tform_images : public QWidget {
public:
    explicit Tform_images(QWidget* parent = nullptr);

    QImage im_1x5;       // signing screen: the writing box, "CLEAR" and "OK"
    QImage im_pr1x5;     // approval screen: a rule, "CANCEL" and "OK", the left part free for the prompt
    QImage im_welcome;   // the idle screen's picture; "welcome.bmp" replaces it at start
    QImage im_welcomebk; // the built-in idle picture, from which im_welcome is restored
    QImage im_wel_ng;    // the idle screen under a welcome text, 24 bits
    QListWidget* lb_pos = nullptr;
};

extern Tform_images* form_images;
