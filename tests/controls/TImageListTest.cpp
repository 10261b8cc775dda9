#include <gtest/gtest.h>

#include "controls/TImageList.h"
#include "tests/support/Pictures.h"

TEST(TImageList, StripIsCutIntoFramesFromTheLeft) {
    QImage strip(3 * 10 + 7, 8, QImage::Format_RGB32);  // 7 columns too few for a fourth
    const QRgb colours[] = {0xff110000, 0xff002200, 0xff000033, 0xff444444};
    for (int x = 0; x < strip.width(); ++x) {
        for (int y = 0; y < strip.height(); ++y) strip.setPixel(x, y, colours[x / 10]);
    }
    const TImageList list(strip, 10);
    ASSERT_EQ(3, list.count());
    EXPECT_EQ(QSize(10, 8), list.frameSize());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Solid(colours[i], QSize(10, 8)), list.frame(i)) << i;
    }
    EXPECT_TRUE(list.frame(3).isNull());
    EXPECT_TRUE(list.frame(-1).isNull());
    EXPECT_EQ(0, TImageList(strip, 0).count());
    EXPECT_EQ(0, TImageList(QImage(), 10).count());
}

TEST(TImageList, ListTakesOnlyFramesOfTheFirstSize) {
    TImageList list({Solid(0xffff0000, {4, 4}), Solid(0xff00ff00, {5, 4}), QImage(),
                     Solid(0xff0000ff, {4, 4})});
    ASSERT_EQ(2, list.count());
    EXPECT_EQ(0xff0000ffu, list.frame(1).pixel(0, 0));
    EXPECT_FALSE(list.add(Solid(0xff000000, {4, 5})));
    EXPECT_TRUE(list.add(Solid(0xff000000, {4, 4})));
    EXPECT_EQ(3, list.count());
}
