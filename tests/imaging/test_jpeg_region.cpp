// Decoding part of a picture gives the same pixels there as decoding all of it.
#include "imaging/Jpeg.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(JpegRegion, RegionPixelsEqualTheWholeDecode)
{
    const QByteArray bytes = jpegBytes(makePicture(203, 157, QColor(30, 160, 90)));
    for (int scale : {1, 2, 8}) {
        QImage whole;
        ASSERT_TRUE(jpeg::decode(bytes, whole, scale).ok());
        const QRect regions[] = {
            QRect(0, 0, whole.width(), whole.height()),
            QRect(37, 51, 60, 40),
            QRect(0, whole.height() - 5, whole.width(), 5),
            QRect(whole.width() - 3, 0, 3, whole.height()),
            QRect(5, 5, 1, 1),
        };
        for (QRect region : regions) {
            region = region.intersected(whole.rect());
            if (region.isEmpty())
                continue;
            QImage part;
            QRect decoded;
            ASSERT_TRUE(jpeg::decodeRegion(bytes, part, region, decoded, scale).ok());
            ASSERT_EQ(part.size(), whole.size());
            EXPECT_EQ(decoded, region);
            for (int y = region.top(); y <= region.bottom(); ++y)
                for (int x = region.left(); x <= region.right(); ++x)
                    ASSERT_EQ(part.pixel(x, y), whole.pixel(x, y))
                        << "scale " << scale << " at " << x << "," << y << " region " << region.x() << ","
                        << region.y() << " " << region.width() << "x" << region.height();
            // Far from the region (beyond the margin and block alignment) nothing was drawn.
            const QRect reach = region.adjusted(-48, -48, 48, 48);
            const QPoint corner(whole.width() - 1, whole.height() - 1);
            if (!reach.contains(corner))
                EXPECT_EQ(part.pixel(corner), qRgb(0, 0, 0));
        }
    }
}

TEST(JpegRegion, BrokenDataIsAnErrorNotACrash)
{
    QImage image;
    QRect decoded;
    const jpeg::Status status = jpeg::decodeRegion(QByteArray("no picture"), image, QRect(0, 0, 4, 4), decoded);
    EXPECT_FALSE(status.ok());
    EXPECT_TRUE(status.message().startsWith(QStringLiteral("Erreur JPEG #")));
}
