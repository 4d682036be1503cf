#include "signing/Images_form.h"

#include <QListWidget>

#include <gtest/gtest.h>

namespace {

QRect inkBox(const QImage& picture, const QRect& area) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(picture.pixel(x, y)) < 128) box = box.united(QRect(x, y, 1, 1));
    return box;
}

QRect corners(int left, int top, int right, int bottom) {
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

TEST(StockBitmaps, GeometryOfEveryPicture) {
    const Tform_images form;
    struct Row {
        const char* id;
        const QImage& picture;
        QRect searched;
        QRect ink;
    };
    const Row rows[] = {
        {"signing: writing box", form.im_1x5, corners(0, 0, 190, 63), corners(7, 7, 187, 56)},
        {"signing: CLEAR", form.im_1x5, corners(191, 0, 239, 28), corners(199, 14, 227, 21)},
        {"signing: OK", form.im_1x5, corners(191, 29, 239, 63), corners(201, 37, 225, 50)},
        {"approval: rule", form.im_pr1x5, corners(0, 0, 190, 63), corners(187, 3, 187, 60)},
        {"approval: CANCEL", form.im_pr1x5, corners(191, 0, 239, 28), corners(194, 14, 231, 21)},
        {"approval: OK", form.im_pr1x5, corners(191, 29, 239, 63), corners(201, 37, 225, 50)},
        {"welcome: WELCOME", form.im_welcomebk, corners(0, 0, 148, 63), corners(13, 27, 141, 47)},
        {"welcome: the pad", form.im_welcomebk, corners(149, 0, 239, 63), QRect()},
        {"welcome text: WELCOME", form.im_wel_ng, corners(0, 0, 239, 63), corners(55, 14, 177, 33)},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(row.picture.size(), QSize(240, 64)) << row.id;
        const QRect ink = inkBox(row.picture, row.searched);
        if (row.ink.isNull()) {
            // The drawing of the pad fills x 151 to 239.
            EXPECT_EQ(ink.left(), 151) << row.id;
            EXPECT_EQ(ink.right(), 239) << row.id;
        } else {
            EXPECT_EQ(ink, row.ink) << row.id;
        }
    }

    // The frame is three pixels wide and the writing box inside it blank.
    EXPECT_EQ(inkBox(form.im_1x5, corners(10, 10, 184, 53)), QRect());
    EXPECT_EQ(inkBox(form.im_1x5, corners(9, 9, 185, 54)), corners(9, 9, 185, 54));
    EXPECT_EQ(inkBox(form.im_pr1x5, corners(0, 0, 186, 63)), QRect()) << "room for the prompt lines";

    EXPECT_EQ(form.im_1x5.depth(), 1);
    EXPECT_EQ(form.im_pr1x5.depth(), 1);
    EXPECT_EQ(form.im_welcomebk.depth(), 1);
    EXPECT_EQ(form.im_wel_ng.depth(), 24);
    EXPECT_EQ(form.im_welcome, form.im_welcomebk);
    EXPECT_EQ(inkBox(form.im_wel_ng, corners(0, 34, 239, 63)), QRect()) << "the lower part is free for the text";
}
