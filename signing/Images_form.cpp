#include "Images_form.h"

Tform_images* form_images = nullptr;

Tform_images::Tform_images(QWidget* parent) : QWidget(parent)
{
    im_welcomebk = QImage(240, 64, QImage::Format_Mono);
    im_welcomebk.fill(0);
    im_welcome = im_welcomebk;
}
