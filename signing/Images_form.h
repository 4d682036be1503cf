#pragma once

#include <QImage>
#include <QWidget>

// The hidden holder of the pad bitmaps.
class Tform_images : public QWidget {
public:
    explicit Tform_images(QWidget* parent = nullptr);

    QImage im_welcome;   // the idle screen's picture; "welcome.bmp" replaces it at start
    QImage im_welcomebk; // the built-in idle picture
};

extern Tform_images* form_images;
